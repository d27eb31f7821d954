#include "app/COrbekApp.h"

int main(int argc, char** argv) {
  orbek::COrbekApp app(argc, argv);
  return app.InitInstance();
}
