#include <cstdlib>

#include "app/platform.h"

void set_default(const char* variable, const char* value) {
  setenv(variable, value, 0);
}
