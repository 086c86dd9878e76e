#include "tagcodec/genre_table.h"

#include <string_view>

namespace Module1 {

std::array<std::string, 256> GenreTable;

namespace {

// Follows the published list up to "Swing"; the name after it there is missing here, so
// from "Bebob" on every number is one lower than in that list. Stored tags rely on it.
constexpr std::string_view kGenreNames[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip -Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R& B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro -Techno",
    "Ambient", "Trip -Hop", "Vocal", "Jazz Funk", "Fusion", "Trance", "Classical",
    "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno -Industrial", "Electronic", "Pop -Folk",
    "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo -Fi", "Tribal", "Acid Punk",
    "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk/Rock",
    "National Folk", "Swing", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde",
    "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire",
    "Slow Jam", "Club", "Tango", "Samba", "Folklore",
};
static_assert(std::size(kGenreNames) == 115);

}  // namespace

void InitGenreTable() {
  for (std::size_t number = 0; number < std::size(kGenreNames); ++number) {
    GenreTable[number] = kGenreNames[number];
  }
}

std::int32_t FindGenreIndex(const quorvane::ItemList& list, std::int32_t genre) {
  const std::int64_t wanted = std::int64_t{genre} + 1;
  const int count = list.ListCount();
  for (int i = 0; i < count; ++i) {
    if (list.ItemData(i) == wanted) return i;
  }
  return -1;
}

}  // namespace Module1
