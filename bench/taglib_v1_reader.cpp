// A peer for the benchmark: reads the ID3v1 tag of every file named on the command line
// (or one per line on standard input) with TagLib, printing title and artist.
#include <taglib/id3v1tag.h>
#include <taglib/mpegfile.h>

#include <cstdio>
#include <iostream>
#include <string>

static void readOne(const char* path) {
  // No audio properties: the tag alone, as the other readers do.
  TagLib::MPEG::File file(path, false);
  if (TagLib::ID3v1::Tag* tag = file.ID3v1Tag(false)) {
    std::printf("%s\t%s\n", tag->title().toCString(true), tag->artist().toCString(true));
  }
}

int main(int argc, char** argv) {
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) readOne(argv[i]);
    return 0;
  }
  std::string line;
  while (std::getline(std::cin, line)) readOne(line.c_str());
  return 0;
}
