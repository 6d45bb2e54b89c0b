#include "platform/Carbon.h"

#include "Misuse.h"

void NumToString(long theNum, unsigned char* theString) {
  platform::RequireNonNull(theString, "NumToString", "null string buffer");
  // Negating in unsigned arithmetic keeps LONG_MIN representable.
  unsigned long magnitude = static_cast<unsigned long>(theNum);
  if (theNum < 0) magnitude = 0UL - magnitude;
  unsigned char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<unsigned char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  unsigned char length = 0;
  if (theNum < 0) theString[++length] = '-';
  while (count > 0) theString[++length] = digits[--count];
  theString[0] = length;
}
