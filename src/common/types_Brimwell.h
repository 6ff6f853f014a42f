// Shared types of the install components: install types and their sets,
// the distribution, archive and overwrite modes that several subsystems
// share, the small set template used for every streamed set, and the
// percentage rule used by every progress figure.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace brim {

// A set over an enumeration with at most 32 values, stored as a bit mask
// whose bit n is the value with ordinal n (the stream's set encoding).
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  static constexpr TSet FromMask(uint32_t mask) {
    TSet s;
    s.bits_ = mask;
    return s;
  }
  constexpr uint32_t Mask() const { return bits_; }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr void Include(E v) { bits_ |= Bit(v); }
  constexpr void Exclude(E v) { bits_ &= ~Bit(v); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint32_t Bit(E v) { return 1u << static_cast<unsigned>(v); }
  uint32_t bits_ = 0;
};

enum class TInstallType { itFull, itDefault, itCompact, itCustom };
using TInstallTypeSet = TSet<TInstallType>;
inline constexpr const char* InstallTypeNames[] = {"itFull", "itDefault", "itCompact", "itCustom"};

// Where the archives of an installation live: on the installation media,
// on a server, or on the media with network files fetched from a server.
enum class TDistributeType { dtTraditional, dtWeb, dtTraditionalNet };
inline constexpr const char* DistributeTypeNames[] = {"dtTraditional", "dtWeb", "dtTraditionalNet"};

// Whether compressing starts a new archive or adds to an existing one.
enum class TlzhCommand { lzcOverwrite, lzcOnlyAdd };
inline constexpr const char* LzhCommandNames[] = {"lzcOverwrite", "lzcOnlyAdd"};

// When an existing file may be replaced by the archived one.
enum class TOverwriteType { owAlways, owNever, owVersion, owDate, owVersionDate };
inline constexpr const char* OverwriteTypeNames[] = {"owAlways", "owNever", "owVersion", "owDate",
                                                     "owVersionDate"};

// The zlib level an archive member is compressed with.
enum class TCompressionLevel { colNone, colFastest, colDefault, colMax };
inline constexpr const char* CompressionLevelNames[] = {"colNone", "colFastest", "colDefault",
                                                        "colMax"};

// Part/Whole as a percentage, computed in floating point and rounded to
// nearest with halves to even; a zero whole gives 0.
int Percentage(double part, double whole);

}  // namespace brim
