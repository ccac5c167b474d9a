// The updater program: its one application object, made before main runs, and the entry point.
#include "app/AppMain.h"
#include "updater/CPintrelUpdaterApp.h"

static CPintrelUpdaterApp gUpdaterApplication;

int main(int argc, char** argv) { return AppMain(argc, argv); }
