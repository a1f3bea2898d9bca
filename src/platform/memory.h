// How the process keeps memory for large pictures.
#pragma once

namespace zavo::platform {

// Every recompression frees and allocates picture-sized blocks. By default the C library returns
// such blocks to the system at once and maps fresh pages for the next one, and first touching those
// pages costs more than compressing the picture. Kept in the heap, freed blocks serve the next
// picture; the program calls this once at start.
void KeepFreedPictureMemory();

}  // namespace zavo::platform
