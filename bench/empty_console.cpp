// The floor's start of plaxorcfg_bench: a console program built as plaxorcfg.exe is (same
// toolchain and runtime) that does nothing.

int wmain()
{
    return 0;
}
