/* A library for the regsvr32 tests: each entry appends its name to the
   file named by KIV_REGSVR32_MARK. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static int32_t Mark(const char* what) {
  const char* path = getenv("KIV_REGSVR32_MARK");
  FILE* f = path ? fopen(path, "a") : NULL;
  if (!f) return -1;
  fprintf(f, "%s\n", what);
  fclose(f);
  return 0;
}

__attribute__((visibility("default"))) int32_t DllRegisterServer(void) { return Mark("register"); }
__attribute__((visibility("default"))) int32_t DllUnregisterServer(void) {
  return Mark("unregister");
}
