// One include, named by the build (tests/layers/CMakeLists.txt).
#include ZANTREL_PROBE_HEADER
