// POSIX entry of mivora-pack: the arguments are bytes, UTF-8 on any system
// that names files in it.
#include "tools/pack/commands.hpp"

int main(int argc, char** argv) { return mivora::pack::run_tool(argc, argv); }
