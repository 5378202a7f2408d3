#pragma once

// The project pane's rows: every element ordered by story, layer and creation, made once after
// each step (O(N log N)), so that a page of rows costs O(rows shown + log N) however large the
// project is. A row shows what the person sees in the host: the element's name, type, story and
// layer, classification, its own property values, lock, hotlink, the layer's hidden and locked
// states, who holds it and whether it is selected.
//
// Main thread only. Rows of elements deleted since the last Rebuild are left out of a page.

#include <VantrelSim/Host.hpp>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace VantrelSim::Tool {

class ProjectRows {
public:
    void Rebuild(const Host& host);
    std::size_t Size() const { return _order.size(); }

    // {"total", "selected", "groups": [{"story", "layer", "first", "count"}], "stories", "layers",
    //  "types", "undo", "redo", "offset", "rows": [...]} for `count` rows from `offset` (at most 500).
    std::string PageJson(const Host& host, std::size_t offset, std::size_t count) const;
    // The names (or guids of nameless elements) of rows [offset, offset + count), or of every
    // element of a type ("Wall", as rows show it): what a range or type selection selects.
    std::vector<std::string> Names(const Host& host, std::size_t offset, std::size_t count) const;
    std::vector<std::string> NamesOfType(const Host& host, const std::string& type) const;

    // "API_WallID" -> "Wall".
    static std::string TypeName(API_ElemTypeID type);

private:
    struct Group {
        QB::Int16 story = 0;
        QB::Int32 layer = 0;
        std::size_t first = 0;
        std::size_t count = 0;
    };
    std::vector<QB::Guid> _order;
    std::vector<Group> _groups;
    std::unordered_set<QB::Guid> _selected;
    std::unordered_map<QB::Guid, std::string> _definitionNames; // "Group/Definition"
    std::vector<std::pair<std::string, API_ElemTypeID>> _types;
};

} // namespace VantrelSim::Tool
