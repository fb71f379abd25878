#pragma once
// The MD2 model commands: LoadMD2, AnimateMD2 and the playback queries.

namespace vx {

class Registry;

void linkMD2Commands(Registry& r);

}  // namespace vx
