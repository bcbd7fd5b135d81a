// The entry of the programs that link one library alone (see zembra_library): never run.
int main() { return 0; }
