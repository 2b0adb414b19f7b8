#include "dialogue/typed_coordinates.h"

namespace sailings {

Status degconverter(std::string_view text, Axis axis, double& degrees) {
  return ParseTypedCoordinate(text, axis, degrees);
}

}  // namespace sailings
