// Compiled by the layering tests with the include directories of one library: PROBE_HEADER is a
// header of some layer, which that library's sources may or may not reach.
#include PROBE_HEADER
