#include "app/program.h"

int main(int argc, char** argv) { return app::RunUpdater(argc, argv); }
