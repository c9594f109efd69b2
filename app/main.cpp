#include "app/Application.h"
#include "app/Program.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    return runProgram();
}
