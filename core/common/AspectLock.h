#pragma once

// The aspect-ratio lock of both pages: the other side of a locked size, by
// the loaded image's ratio, and the rounding the lock shows sizes with.
namespace AspectLock {

// Rounds half up (562.5 gives 563, 56.25 gives 56); clamped so that an
// extreme ratio cannot overflow the conversion (spin boxes clamp again).
int RoundHalfUp(float i_Value);

// The height for a width (i_FromWidth) or the width for a height, by the
// ratio of an image of i_ImageWidth x i_ImageHeight taken in single
// precision. False without an image, whose ratio would be 0 / 0: the other
// side then keeps its value.
bool OtherSide(int i_ImageWidth, int i_ImageHeight, int i_Value, bool i_FromWidth, int& o_Other);

} // namespace AspectLock
