/* Whole numbers stored as the pointer-sized keys and values of maps and sets. */
#ifndef tableWords_INCLUDED
#define tableWords_INCLUDED

#include "stdTypes.h"

namespace testsupport {

inline Pointer K(uInt64 v) { return (Pointer)(Address)v; }
inline uInt64 U(Pointer p) { return (uInt64)(Address)p; }

}  // namespace testsupport

#endif
