#include <cstdio>

int main() {
    std::puts("mkpackage: not built yet");
    return 2;
}
