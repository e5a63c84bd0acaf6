#include "app/SelvaneApp.h"

// The one application object, made before anything else of the program runs.
CSelvaneApp theApp;

int main(int argc, char** argv) {
    return theApp.Run(argc, argv);
}
