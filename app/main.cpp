#include "app/main_routine.h"

int main(int argc, char** argv) {
  return vyrtel_main(argc, argv);
}
