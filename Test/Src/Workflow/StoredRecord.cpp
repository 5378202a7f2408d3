#include "StoredRecord.hpp"

#include <QB/Array.hpp>
#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/HashTable.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <span>

namespace TesselConnect::Test {

namespace {

const QB::Guid ConnectionClass("{f3b8e9d5-43ba-4ade-9c7b-23796c5d28f3}");
const QB::Guid IssueBaseClass("{4de6d453-ce34-4f18-9ed7-8a50fc49748a}");
const QB::Guid ElementsAssociationClass("{d4dcecc7-090e-4d0d-9001-efa021fcc599}");
const QB::Guid UpdateElementsPropertiesClass("{18296703-6cb3-4a83-90c9-d3c8be12d1f8}");

// Class guid, main and minor version, body length.
constexpr std::size_t FrameHeaderBytes = 16 + 2 + 2 + 4;

std::string Text(const QB::HashTable<QB::UniString, QB::UniString>& table) {
    std::string text;
    for (const auto& [key, value] : table) {
        text += fmt::format("{}={};", key.ToUtf8(), value.ToUtf8());
    }
    return text;
}

std::string Hex(std::span<const std::byte> bytes) {
    std::string text;
    for (const std::byte b : bytes) {
        text += fmt::format("{:02x}", static_cast<unsigned>(b));
    }
    return text;
}

// One issue: its class guid, then its frame.
std::optional<DecodedIssue> DecodeIssue(QB::IChannel& ic, std::span<const std::byte> data) {
    QB::Guid classId;
    ic.Read(classId);
    const QB::USize start = ic.GetPosition();
    { QB::InputFrame frame(ic); }
    if (ic.GetStatus() != QB::NoError) {
        return std::nullopt;
    }
    std::vector<std::byte> frame(data.begin() + static_cast<std::ptrdiff_t>(start),
                                 data.begin() + static_cast<std::ptrdiff_t>(ic.GetPosition()));
    DecodedIssue issue;
    const auto& baseId = IssueBaseClass.GetBytes();
    const auto base =
        std::search(frame.begin(), frame.end(), reinterpret_cast<const std::byte*>(baseId.data()),
                    reinterpret_cast<const std::byte*>(baseId.data()) + baseId.size());
    if (frame.end() - base < static_cast<std::ptrdiff_t>(FrameHeaderBytes + 16 + 4)) {
        return std::nullopt;
    }
    const auto guid = base + FrameHeaderBytes;
    issue.guid = Hex(std::span(guid, guid + 16));
    std::fill(guid, guid + 16 + 4, std::byte{0});
    issue.form = classId.ToUniString().ToUtf8() + " " + Hex(frame);

    if (classId == ElementsAssociationClass || classId == UpdateElementsPropertiesClass) {
        QB::MemoryIChannel body(frame);
        QB::InputFrame outer(body);
        QB::Int32 type = 0;
        body.Read(type);
        QB::InputFrame inner(body);
        QB::UniString virtualType;
        body.Read(virtualType);
        QB::Array<QB::Guid> elements;
        QB::ReadArray(body, elements);
        for (const QB::Guid& element : elements) {
            issue.elements.push_back(element.ToUniString().ToUtf8());
        }
    }
    return issue;
}

} // namespace

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
    {
        QB::InputFrame frame(ic);
        ic.Read(decoded.system);
    }
    QB::HashTable<QB::UniString, QB::Guid> definitions;
    {
        QB::InputFrame frame(ic);
        ic.Read(decoded.group);
        QB::ReadHashTable(ic, definitions);
    }
    decoded.content =
        fmt::format("disconnected {}; system {}; group {} [", disconnected,
                    decoded.system.ToUniString().ToUtf8(), decoded.group.ToUniString().ToUtf8());
    for (const auto& [name, definition] : definitions) {
        decoded.content += fmt::format("{}={};", name.ToUtf8(), definition.ToUniString().ToUtf8());
        decoded.definitions[name.ToUtf8()] = definition;
    }
    decoded.content += "];";
    for (int i = 0; i < 4; ++i) {
        QB::UniString text;
        ic.Read(text);
        decoded.content += " " + text.ToUtf8();
    }
    decoded.settledContent = decoded.content;
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
        DecodedVirtualType& type = decoded.virtualTypes[id.ToUtf8()];
        std::string dirtyNames;
        for (const QB::UniString& name : dirty) {
            dirtyNames += name.ToUtf8() + ";";
            type.dirty.insert(name.ToUtf8());
        }
        for (const auto& [name, value] : properties) {
            type.properties[name.ToUtf8()] = value.ToUtf8();
        }
        const std::string settled = fmt::format("; type {} code {} item {} {}", id.ToUtf8(), code.ToUtf8(),
                                                item.ToUniString().ToUtf8(), Text(properties));
        decoded.content += settled + fmt::format(" dirty [{}]", dirtyNames);
        decoded.settledContent += settled;
    }
    {
        QB::InputFrame issues(ic);
        QB::UInt32 issueCount = 0;
        ic.Read(issueCount);
        for (QB::UInt32 i = 0; i < issueCount && ic.GetStatus() == QB::NoError; ++i) {
            std::optional<DecodedIssue> issue = DecodeIssue(ic, record.dataHdl);
            if (!issue.has_value()) {
                return std::nullopt;
            }
            decoded.issues.push_back(std::move(*issue));
        }
        QB::HashTable<QB::Guid, QB::Int32> removed;
        QB::ReadHashTable(ic, removed);
        for (const auto& [guid, time] : removed) {
            decoded.removedIssues.insert(Hex(std::as_bytes(std::span(guid.GetBytes()))));
        }
        if (issues.End() != QB::NoError || ic.GetRemaining() != 0) {
            return std::nullopt;
        }
    }
    if (connection.End() != QB::NoError || ic.GetRemaining() != 0) {
        return std::nullopt;
    }
    return decoded;
}

} // namespace TesselConnect::Test
