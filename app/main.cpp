#include <cstdio>

int main() {
    std::puts("findlark");
    return 0;
}
