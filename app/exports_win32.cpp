// The installer's export directory: module mivoraw, MivoraWndProc and AboutDlgProc.
//
// Written out by hand because the linker's own (from a .def file) would name
// the module "mivoraw.exe". Names sorted as the loader expects; the
// directory is found through the .edata section (mivora.ld). The symbols of
// the two procedures are named by the build: i386 decorates stdcall names
// (_MivoraWndProc@16), x86-64 does not.
asm(R"(
    .section .edata, "dr"
    .p2align 2
mivora_export_directory:
    .long 0                         # flags
    .long 0                         # time stamp
    .short 0, 0                     # version
    .rva mivora_module_name
    .long 1                         # ordinal base
    .long 2                         # functions
    .long 2                         # names
    .rva mivora_export_addresses
    .rva mivora_export_names
    .rva mivora_export_ordinals
mivora_export_addresses:
    .rva )" MIVORA_ABOUT_DLG_PROC_SYMBOL R"(
    .rva )" MIVORA_WND_PROC_SYMBOL R"(
mivora_export_names:
    .rva mivora_name_about
    .rva mivora_name_window
mivora_export_ordinals:
    .short 0, 1
mivora_module_name:
    .asciz "mivoraw"
mivora_name_about:
    .asciz "AboutDlgProc"
mivora_name_window:
    .asciz "MivoraWndProc"
    .text
)");
