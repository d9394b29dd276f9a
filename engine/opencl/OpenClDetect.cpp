// SPDX-License-Identifier: MIT
#include "engine/opencl/OpenClDetect.h"

namespace nelvo::opencl {

// No device backend is built into the engine yet, so every region is rated on
// the CPU.
template <typename T>
bool detectOnGpu(const NelvoBuffer<T>& /*grey*/, NelvoBuffer<float>& /*contrast*/,
                 const VRect& /*region*/, const EngineSettings& /*settings*/,
                 const StageHooks& /*hooks*/) {
    return false;
}

template bool detectOnGpu<unsigned char>(const NelvoBuffer<unsigned char>&, NelvoBuffer<float>&,
                                         const VRect&, const EngineSettings&, const StageHooks&);
template bool detectOnGpu<unsigned short>(const NelvoBuffer<unsigned short>&, NelvoBuffer<float>&,
                                          const VRect&, const EngineSettings&, const StageHooks&);
template bool detectOnGpu<float>(const NelvoBuffer<float>&, NelvoBuffer<float>&, const VRect&,
                                 const EngineSettings&, const StageHooks&);

}  // namespace nelvo::opencl
