#include <PK/Icon.hpp>

namespace PK {

bool Icon::Exists() const {
    if (IsEmpty()) {
        return false;
    }
    const auto contents = QB::GetResourceModule(_module);
    return contents != nullptr && contents->FindIcon(_id) != nullptr;
}

} // namespace PK
