#include "shell/application.h"

int main(int argc, char** argv) {
    return tavrel::shell::Main(argc, argv);
}
