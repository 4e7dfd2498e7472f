// kivlink: the link program. Until it is built it refuses to run, as it does when started by hand.
#include <cstdio>

int main(int argc, char**) {
    if (argc < 2) std::fputs("Run kivra instead.\n", stderr);
    return 0;
}
