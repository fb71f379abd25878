#pragma once
// The name under which compiled code refers to a registered text:
// "_vxStrLoad" is "__vxStrLoad"; "%LoadImage$bmpfile" is "_floadimage".

#include <string>
#include <string_view>

namespace vx {

std::string linkName(std::string_view registeredText);

}  // namespace vx
