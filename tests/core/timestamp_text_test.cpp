#include "stamp/timestamp_text.h"

#include <gtest/gtest.h>

#include <climits>

TEST(FormatTimestamp, EachFormatOnTheEdgesOfItsFields) {
  struct Case {
    std::int32_t ms;
    const char* bracketed;
    const char* tenths;
    const char* pound;
    const char* bare;
  };
  const Case cases[] = {
      {0, "[0:00:00] ", "[0:00:00.0] ", "#00:00:00-0# ", "0:00:00 "},
      {999, "[0:00:00] ", "[0:00:00.9] ", "#00:00:00-9# ", "0:00:00 "},  // cut, not rounded
      {83456, "[0:01:23] ", "[0:01:23.4] ", "#00:01:23-4# ", "0:01:23 "},
      {3599999, "[0:59:59] ", "[0:59:59.9] ", "#00:59:59-9# ", "0:59:59 "},
      {3723400, "[1:02:03] ", "[1:02:03.4] ", "#01:02:03-4# ", "1:02:03 "},
      {36000000, "[10:00:00] ", "[10:00:00.0] ", "#10:00:00-0# ", "10:00:00 "},  // end of 10 hours
      {INT32_MAX, "[596:31:23] ", "[596:31:23.6] ", "#596:31:23-6# ", "596:31:23 "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatTimestamp(c.ms, timestampBracketed), c.bracketed) << c.ms;
    EXPECT_EQ(FormatTimestamp(c.ms, timestampTenths), c.tenths) << c.ms;
    EXPECT_EQ(FormatTimestamp(c.ms, timestampPound), c.pound) << c.ms;
    EXPECT_EQ(FormatTimestamp(c.ms, timestampBare), c.bare) << c.ms;
  }
}

TEST(FormatTimestamp, NegativePositionsAndUnknownFormatsFallBackSafely) {
  for (std::int32_t ms : {-1, -83456, INT32_MIN}) EXPECT_EQ(FormatTimestamp(ms, timestampPound), "#00:00:00-0# ");
  for (int format : {-1, timestampFormatCount, INT_MAX}) EXPECT_EQ(FormatTimestamp(83456, format), "[0:01:23] ");
}
