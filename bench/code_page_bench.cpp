// The tag text codec on 30-byte fields, CP932 from the built-in tables against CP932
// through iconv: decoding as a folder load does it, and encoding the text back as a save
// does. The "threads:2" rows decode from two threads with one shared code page, as a
// parallel load would.
// Usage: build/bench/code_page_bench [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "tagcodec/code_page.h"

namespace {

using quorvane::CodePage;

struct Way {
  const char* name;
  std::unique_ptr<CodePage> page;
};

struct Field {
  const char* name;
  std::string bytes;  // 30 bytes, as a tag holds them
};

std::string fieldOf(std::string bytes) {
  bytes.resize(30, ' ');
  return bytes;
}

std::vector<Field> fields(const CodePage& cp932) {
  return {
      {"ascii", fieldOf("Long Distance Runaround (Live)")},
      {"japanese", fieldOf(cp932.encode("東京の空に浮かぶ青い雲と白い月の歌"))},
      {"mixed", fieldOf(cp932.encode("Mr.Children ｼﾝｸﾞﾙ 名もなき詩 1996"))},
      // Bytes that do not decode: never-decoding bytes, lead bytes before bytes that are
      // not their trail, a lone lead byte before a character held twice, one at the end.
      {"undecodable", fieldOf("\x80 \xA0\x82\x20\xFD\xFE\xFF\x81\x81\x81\xEE\xED\x40 abc "
                              "\x88\x9F\x85\x40\xEB\x41xyz\x9F")},
  };
}

void decodeField(benchmark::State& state, const CodePage* page, std::string bytes) {
  for (auto _ : state) benchmark::DoNotOptimize(page->decode(bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void encodeField(benchmark::State& state, const CodePage* page, std::string bytes) {
  const std::string text = page->decode(bytes);
  for (auto _ : state) benchmark::DoNotOptimize(page->encode(text));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Way> ways;
  ways.push_back({"tables", CodePage::open("CP932", nullptr)});
  if (auto iconv = CodePage::openIconv("CP932", nullptr))
    ways.push_back({"iconv", std::move(iconv)});
  const std::vector<Field> samples = fields(*ways.front().page);

  for (const Field& field : samples) {
    for (const Way& way : ways) {
      const std::string suffix = std::string(field.name) + "/" + way.name;
      benchmark::RegisterBenchmark(("decode/" + suffix).c_str(), decodeField, way.page.get(),
                                   field.bytes);
      benchmark::RegisterBenchmark(("encode/" + suffix).c_str(), encodeField, way.page.get(),
                                   field.bytes);
    }
  }
  for (const Way& way : ways) {
    benchmark::RegisterBenchmark((std::string("decode/japanese/") + way.name).c_str(), decodeField,
                                 way.page.get(), samples[1].bytes)
        ->Threads(2);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
