#include "ProjectNames.hpp"
#include "ReportWriters.hpp"

#include "Json.hpp"

namespace VantrelSim::Inspect {

namespace {

using Writer = Json::PrettyWriter<Json::StringBuffer>;

class JsonReport {
public:
    explicit JsonReport(Writer& writer) : _w(writer) {}

    void Write(const Report& report) {
        _w.StartObject();
        String("format", "vantrel-sim-inspect");
        Key("version");
        _w.Int(1);
        String("file", report.file);
        String("project", report.projectName);
        Key("planData");
        PlanData(report.planData);
        Key("connections");
        _w.StartArray();
        for (const ConnectionReport& conn : report.connections) {
            Connection(conn);
        }
        _w.EndArray();
        Key("otherRecords");
        _w.StartArray();
        for (const std::string& name : report.otherRecords) {
            Text(name);
        }
        _w.EndArray();
        Key("findings");
        _w.StartArray();
        for (const Finding& finding : report.findings) {
            _w.StartObject();
            String("kind", finding.kind);
            String("where", finding.where);
            String("text", finding.text);
            _w.EndObject();
        }
        _w.EndArray();
        _w.EndObject();
    }

private:
    void Key(const char* key) { _w.Key(key); }
    void Text(const std::string& text) { _w.String(text.data(), static_cast<Json::SizeType>(text.size())); }
    void String(const char* key, const std::string& value) {
        Key(key);
        Text(value);
    }
    void Bool(const char* key, bool value) {
        Key(key);
        _w.Bool(value);
    }
    void Time(const char* key, std::int32_t time) {
        Key(key);
        _w.Int(time);
        String((std::string(key) + "Utc").c_str(), TimeText(time));
    }

    void PlanData(const PlanDataReport& planData) {
        if (!planData.present) {
            _w.Null();
            return;
        }
        _w.StartObject();
        String("object", planData.objectGuid);
        Key("size");
        _w.Uint64(planData.size);
        Bool("readable", planData.readable);
        String("id", planData.id);
        _w.EndObject();
    }

    void Elements(const char* key, const std::vector<ElementRef>& elements) {
        Key(key);
        _w.StartArray();
        for (const ElementRef& element : elements) {
            _w.StartObject();
            String("guid", element.guid);
            String("name", element.name);
            Bool("exists", element.exists);
            _w.EndObject();
        }
        _w.EndArray();
    }

    void VirtualType(const VirtualTypeReport& virtualType) {
        _w.StartObject();
        String("id", virtualType.id);
        String("code", virtualType.code);
        Key("item");
        _w.StartObject();
        String("guid", virtualType.item.guid);
        Bool("exists", virtualType.item.exists);
        String("code", virtualType.item.code);
        String("name", virtualType.item.name);
        _w.EndObject();
        Key("properties");
        _w.StartObject();
        for (const auto& [name, value] : virtualType.properties) {
            String(name.c_str(), value);
        }
        _w.EndObject();
        Key("dirty");
        _w.StartArray();
        for (const std::string& name : virtualType.dirty) {
            Text(name);
        }
        _w.EndArray();
        if (virtualType.associated.has_value()) {
            Elements("associatedElements", *virtualType.associated);
        } else {
            Key("associatedElements");
            _w.Null();
        }
        _w.EndObject();
    }

    void Issue(const IssueReport& issue) {
        _w.StartObject();
        String("guid", issue.guid);
        String("kind", issue.kind);
        String("reason", issue.reason);
        Key("severity");
        _w.Int(issue.severity);
        Time("time", issue.time);
        String("text", issue.text);
        String("virtualType", issue.virtualType);
        Elements("elements", issue.elements);
        _w.EndObject();
    }

    void Connection(const ConnectionReport& conn) {
        _w.StartObject();
        String("record", conn.record);
        Key("dataVersion");
        _w.Int(conn.dataVersion);
        Key("platformSign");
        _w.Uint(conn.platformSign);
        Key("size");
        _w.Uint64(conn.size);
        Bool("readable", conn.readable);
        if (conn.readable) {
            Key("specification");
            IdAndTitle(conn.specificationId, conn.specificationTitle);
            Key("tesselProject");
            IdAndTitle(conn.projectId, conn.projectTitle);
            Bool("markedAsDisconnected", conn.markedAsDisconnected);
            Key("classificationSystem");
            _w.StartObject();
            String("guid", conn.systemGuid);
            Bool("exists", conn.systemExists);
            String("name", conn.systemName);
            _w.EndObject();
            PropertyGroup(conn);
            Key("virtualTypes");
            _w.StartArray();
            for (const VirtualTypeReport& virtualType : conn.virtualTypes) {
                VirtualType(virtualType);
            }
            _w.EndArray();
            Key("issues");
            _w.StartArray();
            for (const IssueReport& issue : conn.issues) {
                Issue(issue);
            }
            _w.EndArray();
            Key("removedIssues");
            _w.StartArray();
            for (const RemovedIssue& removed : conn.removedIssues) {
                _w.StartObject();
                String("guid", removed.guid);
                Time("time", removed.time);
                _w.EndObject();
            }
            _w.EndArray();
        }
        _w.EndObject();
    }

    void IdAndTitle(const std::string& id, const std::string& title) {
        _w.StartObject();
        String("id", id);
        String("title", title);
        _w.EndObject();
    }

    void PropertyGroup(const ConnectionReport& conn) {
        Key("propertyGroup");
        _w.StartObject();
        String("guid", conn.groupGuid);
        Bool("exists", conn.groupExists);
        String("name", conn.groupName);
        Key("definitions");
        _w.StartArray();
        for (const DefinitionReport& definition : conn.definitions) {
            _w.StartObject();
            String("property", definition.property);
            String("guid", definition.guid);
            Bool("exists", definition.exists);
            String("name", definition.name);
            _w.EndObject();
        }
        _w.EndArray();
        _w.EndObject();
    }

    Writer& _w;
};

} // namespace

std::string WriteJson(const Report& report) {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.SetIndent(' ', 2);
    JsonReport(writer).Write(report);
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

} // namespace VantrelSim::Inspect
