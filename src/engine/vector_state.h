// glibc's AVX-512 string routines (the copies behind every std::string) can
// leave the upper halves of the vector registers dirty; each SSE
// instruction after them then pays a transition penalty. Training builds a
// report line between frames, and on an AVX-512 machine that made "E" four
// times slower. Clearing the state before a frame's arithmetic costs one
// instruction.
#pragma once

namespace vorn::engine {

void clear_upper_vector_state();

}  // namespace vorn::engine
