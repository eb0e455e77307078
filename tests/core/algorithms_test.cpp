#include <gtest/gtest.h>

#include "core/algorithms.h"

namespace veltrakey {
namespace {

TEST(Algorithms, TwentySevenSymmetricIdentifiersWithTheirSizes) {
  int accepted = 0;
  for (ULONG family : {0x100u, 0x200u, 0x400u})
    for (ULONG mode : {1u, 2u, 4u, 8u, 0x10u}) {
      auto a = find_symmetric_algorithm(family | mode);
      ASSERT_TRUE(a) << std::hex << (family | mode);
      EXPECT_EQ(a->key_bytes, 16u);
      EXPECT_EQ(a->block_bytes, 16u);
      ++accepted;
    }
  struct row {
    ULONG id;
    size_t key, block;
  };
  for (const row& r : {row{0x80000211, 8, 8}, row{0x80000212, 8, 8}, row{0x80000221, 16, 8}, row{0x80000222, 16, 8},
                       row{0x80000241, 24, 8}, row{0x80000242, 24, 8}, row{0x80000111, 16, 16},
                       row{0x80000112, 16, 16}, row{0x80000121, 24, 16}, row{0x80000122, 24, 16},
                       row{0x80000141, 32, 16}, row{0x80000142, 32, 16}}) {
    auto a = find_symmetric_algorithm(r.id);
    ASSERT_TRUE(a) << std::hex << r.id;
    EXPECT_EQ(a->key_bytes, r.key);
    EXPECT_EQ(a->block_bytes, r.block);
    ++accepted;
  }
  EXPECT_EQ(accepted, 27);
  for (ULONG refused : {0x0u, 0x403u, 0x420u, 0x80000243u, 0x00000001u}) EXPECT_FALSE(find_symmetric_algorithm(refused));
}

TEST(Algorithms, ShortVendorNamesTranslateOnlyAsSymmetricIdentifiers) {
  struct row {
    ULONG caller, internal;
  };
  for (const row& r : {row{0x1, 0x80000241}, row{0x2001, 0x80000241}, row{0x2, 0x80000242}, row{0x2002, 0x80000242},
                       row{0x801, 0x80000211}, row{0x802, 0x80000212}, row{0x1001, 0x80000221},
                       row{0x1002, 0x80000222}, row{0x4001, 0x80000111}, row{0x4002, 0x80000112},
                       row{0x8001, 0x80000121}, row{0x8002, 0x80000122}, row{0x10001, 0x80000141},
                       row{0x10002, 0x80000142}, row{SGD_SM4_CBC, SGD_SM4_CBC}, row{0x12345, 0x12345}})
    EXPECT_EQ(translate_symmetric_algorithm(r.caller), r.internal) << std::hex << r.caller;
  // As a digest, 1 is SM3.
  EXPECT_TRUE(is_accepted_digest(SGD_SM3));
  EXPECT_EQ(digest_output_length(SGD_SM3), 32u);
}

TEST(Algorithms, DigestsAndTheirLengths) {
  for (ULONG id : {0x1u, 0x2u, 0x4u, 0x80u, 0x81u, 0x82u, 0x83u}) EXPECT_TRUE(is_accepted_digest(id)) << id;
  for (ULONG id : {0x0u, 0x3u, 0x8u, 0x84u}) EXPECT_FALSE(is_accepted_digest(id)) << id;
  EXPECT_EQ(digest_output_length(2), 20u);
  EXPECT_EQ(digest_output_length(3), 32u);
  EXPECT_EQ(digest_output_length(4), 32u);
  EXPECT_EQ(digest_output_length(0x81), 16u);
  EXPECT_EQ(digest_output_length(0x80), 0u);
  EXPECT_EQ(digest_output_length(0x83), 0u);
}

}  // namespace
}  // namespace veltrakey
