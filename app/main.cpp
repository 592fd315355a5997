#include "app/ZofMirel.h"

int main(int argc, char** argv) { return ZofMirelMain(argc, argv); }
