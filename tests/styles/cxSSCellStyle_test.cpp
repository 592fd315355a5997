#include "styles/cxSSCellStyle.h"

#include <gtest/gtest.h>

// The published number format (0..51) against the stored BIFF built-in index.
TEST(TcxSSCellStyleFormat, PublishedIndexesMapOntoStoredNumbers) {
  const struct {
    int Published;
    TxlsDataFormat Stored;
  } cases[] = {{0, 0},   {1, 1},    {14, 14},  {22, 22}, {23, 37}, {30, 44},
               {35, 49}, {36, 164}, {37, 165}, {38, 52}, {51, 65}};
  for (const auto& c : cases) {
    EXPECT_EQ(PublishedFormatToStored(c.Published), c.Stored) << c.Published;
    EXPECT_EQ(StoredFormatToPublished(c.Stored), c.Published) << c.Stored;
  }
}

TEST(TcxSSCellStyleFormat, ValuesBeyondThePublishedRangeMeanGeneral) {
  for (int value : {52, 60, 164, 65535, -1}) EXPECT_EQ(PublishedFormatToStored(value), 0) << value;
}

TEST(TcxSSCellStyleFormat, EveryPublishedIndexSurvivesTheRoundTrip) {
  for (int published = 0; published <= 51; ++published)
    ASSERT_EQ(StoredFormatToPublished(PublishedFormatToStored(published)), published);
}
