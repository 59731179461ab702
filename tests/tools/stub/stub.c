/* Exits with 7, so a test can tell that Wine loaded and ran it. */
int main(void) { return 7; }
