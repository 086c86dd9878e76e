#include "tagcodec/genre_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Module1::FindGenreIndex;
using Module1::GenreTable;

class FixedList : public quorvane::ItemList {
 public:
  explicit FixedList(std::vector<std::int32_t> data) : data_(std::move(data)) {}
  int ListCount() const override { return static_cast<int>(data_.size()); }
  std::int32_t ItemData(int index) const override { return data_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<std::int32_t> data_;
};

TEST(GenreTable, NamesByNumber) {
  Module1::InitGenreTable();
  const std::pair<int, const char*> expected[] = {
      {0, "Blues"},   {7, "Hip -Hop"},     {14, "R& B"},          {48, "Ethnic"},
      {67, "Psychadelic"}, {81, "Folk/Rock"}, {83, "Swing"},     {84, "Bebob"},
      {114, "Folklore"},   {115, ""},         {255, ""}};
  for (const auto& [number, name] : expected) EXPECT_EQ(GenreTable[number], name) << number;
  int named = 0;
  for (const auto& name : GenreTable) named += name.empty() ? 0 : 1;
  EXPECT_EQ(named, 115);
}

TEST(FindGenreIndex, FollowsItemDataNotPosition) {
  // Items in name order, not number order: Rock(17), Blues(0), Bebob(84), Blues again.
  const FixedList list({18, 1, 85, 1});
  EXPECT_EQ(FindGenreIndex(list, 17), 0);
  EXPECT_EQ(FindGenreIndex(list, 0), 1) << "the first item carrying it";
  EXPECT_EQ(FindGenreIndex(list, 84), 2);
  EXPECT_EQ(FindGenreIndex(list, 115), -1);
  EXPECT_EQ(FindGenreIndex(list, 255), -1);
  EXPECT_EQ(FindGenreIndex(list, -1), -1) << "item data 0 belongs to no genre";
  EXPECT_EQ(FindGenreIndex(list, INT32_MAX), -1);
  EXPECT_EQ(FindGenreIndex(FixedList({}), 0), -1);
}

}  // namespace
