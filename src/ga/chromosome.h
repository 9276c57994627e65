// Chromosomes of the genetic search: texts of "0" and "1" read as binary
// numbers, drawn at random, cut and recombined, and mutated one bit at a
// time. Plain functions over texts; the draws come from the Platform so a
// fixed seed (or a test's fixed draws) gives a fixed result.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {
class Platform;
class RandomSource;
}

namespace vorn::ga {

// The characters of s from position start (1-based) on, at most count of
// them; "" when start lies past the end. Genes are read this way, so a
// short chromosome gives short or empty genes instead of failing.
std::string_view mid(std::string_view s, long start, long count);

// The chromosome's binary value after trimming blanks: each character
// counts by its leading-number value (a blank or a letter counts 0, a "2"
// counts 2), the rightmost weighs 1. The empty text is worth 0.
double valorbinario(std::string_view chromosome);

// A chromosome of length characters, each "1" when its draw is >= 0.5.
std::string random_chromosome(long length, RandomSource& draws);

// The chromosome with the bit at position (1-based) flipped; any
// character other than "0" becomes "0".
std::string flip_bit(std::string_view chromosome, long position);

// Single-bit mutation: draws u0, then a position p (up to 20 draws while
// it is 0); when u0 <= pmut and 1 < p < n the bit at p flips and the
// platform beeps twice. The first and last bits never flip.
std::string mutar(std::string_view chromosome, double pmut, Platform& platform);
// The same draws and flip without the sound: the flipped chromosome
// (trimmed), or nothing when no bit flips.
std::optional<std::string> mutation(std::string_view chromosome, double pmut, RandomSource& draws);

}  // namespace vorn::ga
