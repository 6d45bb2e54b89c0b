#include "entry/SavitzkyGolayExtension.h"

namespace sg {

bool SavitzkyGolayExtension::HandleSelector2() { return true; }
void SavitzkyGolayExtension::HandleSelector3() {}
void SavitzkyGolayExtension::HandleSelector14(int16_t, int32_t, FunctionInstance**) {}
void SavitzkyGolayExtension::HandleSelector15(int16_t, int16_t, int16_t, int16_t, uint8_t*, uint8_t*,
                                              FunctionInstance**) {}

}  // namespace sg
