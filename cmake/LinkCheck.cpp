// The entry point of the link checks (cmake/MemtideTargets.cmake): never run, only linked.
int main() { return 0; }
