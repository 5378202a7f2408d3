#include "StoredRecord.hpp"

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/HashTable.hpp>

#include <fmt/format.h>

namespace TesselConnect::Test {

namespace {

const QB::Guid ConnectionClass("{f3b8e9d5-43ba-4ade-9c7b-23796c5d28f3}");

std::string Text(const QB::HashTable<QB::UniString, QB::UniString>& table) {
    std::string text;
    for (const auto& [key, value] : table) {
        text += fmt::format("{}={};", key.ToUtf8(), value.ToUtf8());
    }
    return text;
}

} // namespace

bool DecodedRecord::HasVirtualType(const std::string& id) const {
    return content.find("type " + id + " ") != std::string::npos;
}

std::optional<DecodedRecord> DecodeRecord(const API_ModulData& record) {
    if (record.platformSign != QB::PlatformSign) {
        return std::nullopt;
    }
    QB::MemoryIChannel ic(record.dataHdl.data(), record.dataHdl.size());
    QB::InputFrame connection(ic);
    if (connection.GetClassId() != ConnectionClass) {
        return std::nullopt;
    }
    DecodedRecord decoded;
    bool disconnected = false;
    ic.Read(disconnected);
    QB::Guid system;
    {
        QB::InputFrame frame(ic);
        ic.Read(system);
    }
    QB::Guid group;
    QB::HashTable<QB::UniString, QB::Guid> definitions;
    {
        QB::InputFrame frame(ic);
        ic.Read(group);
        QB::ReadHashTable(ic, definitions);
    }
    decoded.content = fmt::format("disconnected {}; system {}; group {} [", disconnected,
                                  system.ToUniString().ToUtf8(), group.ToUniString().ToUtf8());
    for (const auto& [name, definition] : definitions) {
        decoded.content += fmt::format("{}={};", name.ToUtf8(), definition.ToUniString().ToUtf8());
    }
    decoded.content += "];";
    for (int i = 0; i < 4; ++i) {
        QB::UniString text;
        ic.Read(text);
        decoded.content += " " + text.ToUtf8();
    }
    QB::UInt32 count = 0;
    ic.Read(count);
    for (QB::UInt32 i = 0; i < count && ic.GetStatus() == QB::NoError; ++i) {
        QB::InputFrame frame(ic);
        QB::UniString code;
        QB::Guid item;
        QB::UniString id;
        QB::HashTable<QB::UniString, QB::UniString> properties;
        QB::Array<QB::UniString> dirty;
        ic.Read(code);
        ic.Read(item);
        ic.Read(id);
        QB::ReadHashTable(ic, properties);
        QB::ReadArray(ic, dirty);
        decoded.content += fmt::format("; type {} code {} item {} {}", id.ToUtf8(), code.ToUtf8(),
                                       item.ToUniString().ToUtf8(), Text(properties));
    }
    const QB::USize issuesStart = ic.GetPosition();
    { QB::InputFrame issues(ic); }
    if (ic.GetStatus() == QB::NoError) {
        const auto* first = reinterpret_cast<const char*>(record.dataHdl.data()) + issuesStart;
        decoded.issues.assign(first, ic.GetPosition() - issuesStart);
    }
    if (connection.End() != QB::NoError || ic.GetRemaining() != 0) {
        return std::nullopt;
    }
    return decoded;
}

} // namespace TesselConnect::Test
