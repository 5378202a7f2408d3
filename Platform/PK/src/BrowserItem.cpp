#include <PK/BrowserItem.hpp>

namespace PK {

BrowserItem::BrowserItem(Panel& panel, QB::Int32 index) : Item(panel, index, {ItemKind::Browser}) {}

} // namespace PK
