#include <QB/ContainerChannel.hpp>

namespace QB {

// The containers are templates with no default object to construct, so their classes are
// registered without a constructor; the guids only mark their frames.
const ClassInfo& ArrayClassInfo() {
    static const ClassInfo info("QB::Array", Guid("445CE176-99DA-4692-B4DF-20284B451914"), 1, 0);
    return info;
}

const ClassInfo& HashTableClassInfo() {
    static const ClassInfo info("QB::HashTable", Guid("2EF4ACE5-1FEB-4006-8FF5-7C74660E4BDF"), 1, 0);
    return info;
}

const ClassInfo& HashSetClassInfo() {
    static const ClassInfo info("QB::HashSet", Guid("9222F992-FA94-4008-AF71-00D2F3209D19"), 1, 0);
    return info;
}

} // namespace QB
