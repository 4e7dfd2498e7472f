// kivra-settings: command-line access to the settings store (being built).
int main() { return 2; }
