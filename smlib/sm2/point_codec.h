// Reading points in the five accepted forms and writing the 65-byte form.
#ifndef QUILLON_SM2_POINT_CODEC_H
#define QUILLON_SM2_POINT_CODEC_H

#include "curve.h"

namespace quillon::sm2 {

enum class point_read { valid, infinity, invalid };

// 04/06/07 || x || y (65 bytes) or 02/03 || x (33 bytes). x = y = 0 in a long
// form is the point at infinity.
point_read read_point(affine_point &r, const unsigned char *in);

void write_point(unsigned char out[65], const affine_point &p);

} // namespace quillon::sm2

#endif
