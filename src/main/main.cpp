// kivra: the main program (being built).
int main() { return 0; }
