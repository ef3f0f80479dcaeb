#include "app/entry.h"

int main(int argc, char** argv) { return orx::Main(argc, argv); }
