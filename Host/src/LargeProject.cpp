#include <VantrelSim/LargeProject.hpp>

#include <VantrelSim/ProjectBuilder.hpp>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace VantrelSim {

namespace {

// The engine's outputs are fixed by the standard (distributions are not), so everything is
// drawn from them directly to stay the same on every platform.
class Draw {
public:
    explicit Draw(std::uint32_t seed) : _engine(seed) {}
    std::size_t Below(std::size_t bound) {
        return bound == 0 ? 0 : static_cast<std::size_t>(_engine()) % bound;
    }
    bool Chance(double share) { return static_cast<double>(_engine() % 1000000U) < share * 1000000.0; }

private:
    std::mt19937 _engine;
};

struct Kind {
    API_ElemTypeID type;
    API_ElemVariationID variation;
};

constexpr std::array<Kind, 17> SingleKinds = {{
    {API_WallID, 0},
    {API_WallID, 0},
    {API_ColumnID, 0},
    {API_BeamID, 0},
    {API_WindowID, 0},
    {API_WindowID, APIVarId_WallEnd},
    {API_DoorID, APIVarId_Door},
    {API_LampID, APIVarId_Lamp},
    {API_SlabID, 0},
    {API_RoofID, 0},
    {API_MeshID, 0},
    {API_ZoneID, 0},
    {API_ShellID, 0},
    {API_SkylightID, 0},
    {API_MorphID, 0},
    {API_ObjectID, 0},
    {API_OpeningID, 0},
}};

struct Hierarchy {
    API_ElemTypeID main;
    std::vector<API_ElemTypeID> parts;
};

const std::array<Hierarchy, 6>& Hierarchies() {
    static const std::array<Hierarchy, 6> hierarchies = {{
        {API_CurtainWallID,
         {API_CurtainWallSegmentID, API_CurtainWallFrameID, API_CurtainWallPanelID, API_CurtainWallPanelID,
          API_CurtainWallJunctionID, API_CurtainWallAccessoryID}},
        {API_StairID, {API_StairRiserID, API_StairTreadID, API_StairTreadID, API_StairStructureID}},
        {API_RailingID,
         {API_RailingSegmentID, API_RailingToprailID, API_RailingHandrailID, API_RailingPostID,
          API_RailingBalusterID, API_RailingPanelID, API_RailingNodeID, API_RailingEndFinishID}},
        {API_ColumnID, {API_ColumnSegmentID, API_ColumnSegmentID}},
        {API_BeamID, {API_BeamSegmentID, API_BeamSegmentID}},
        {API_ObjectID, {API_ObjectID, API_ObjectID}},
    }};
    return hierarchies;
}

} // namespace

Project GenerateLargeProject(const LargeProjectOptions& options) {
    Project project;
    project.name = "Generated Project";
    ProjectBuilder build(project);
    Draw draw(options.seed);

    const QB::Int16 stories = std::max<QB::Int16>(options.stories, 1);
    for (QB::Int16 i = 0; i < stories; ++i) {
        build.AddStory("Story " + QB::ValueToUniString(static_cast<QB::Int32>(i)));
    }
    const QB::Int32 layers = std::max<QB::Int32>(options.layers, 1);
    for (QB::Int32 i = 1; i <= layers; ++i) {
        build.AddLayer("Layer " + QB::ValueToUniString(i), i > 1 && i % 7 == 0, i > 1 && i % 5 == 0);
    }
    std::vector<QB::Guid> hotlinks;
    for (std::size_t i = 0; i < options.hotlinks; ++i) {
        hotlinks.push_back(build.AddHotlink("Hotlink " + QB::ValueToUniString(static_cast<QB::UInt64>(i))));
    }
    const QB::Guid system = build.AddSystem("Generated Classification", "1.0");
    std::vector<QB::Guid> items;
    for (std::size_t i = 0; i < options.classificationItems; ++i) {
        const QB::Guid parent =
            i < 10 || items.empty() ? QB::Guid() : items[draw.Below(std::min<std::size_t>(items.size(), 10))];
        items.push_back(build.AddItem(system, "GC_" + QB::ValueToUniString(static_cast<QB::UInt64>(i)),
                                      "Item " + QB::ValueToUniString(static_cast<QB::UInt64>(i)), parent));
    }

    std::vector<QB::Guid> modelElements;
    const auto place = [&](API_ElemTypeID type, API_ElemVariationID variation, const QB::Guid& owner) {
        ElementSpec spec;
        spec.type = type;
        spec.variation = variation;
        spec.story = static_cast<QB::Int16>(draw.Below(static_cast<std::size_t>(stories)));
        spec.layer = static_cast<QB::Int32>(1 + draw.Below(static_cast<std::size_t>(layers)));
        spec.owner = owner;
        const QB::Guid guid = build.AddElement(spec);
        modelElements.push_back(guid);
        if (!items.empty() && draw.Chance(options.classifiedShare)) {
            build.Classify(guid, items[draw.Below(items.size())]);
        }
        return guid;
    };

    while (project.ElementCount() < options.elements) {
        if (draw.Chance(options.hierarchicalShare)) {
            const Hierarchy& hierarchy = Hierarchies()[draw.Below(Hierarchies().size())];
            const QB::Guid main = place(hierarchy.main, 0, {});
            for (const auto part : hierarchy.parts) {
                if (project.ElementCount() >= options.elements) {
                    break;
                }
                place(part, 0, main);
            }
        } else if (!modelElements.empty() && draw.Chance(options.sectionElementShare)) {
            const QB::Guid shown = modelElements[draw.Below(modelElements.size())];
            const Element& parent = *project.FindElement(shown);
            ElementSpec spec;
            spec.type = API_SectionElemID;
            spec.story = parent.story;
            spec.layer = parent.layer;
            spec.sectionParent = shown;
            build.AddElement(spec);
        } else {
            const Kind kind = SingleKinds[draw.Below(SingleKinds.size())];
            const QB::Guid guid = place(kind.type, kind.variation, {});
            if (!hotlinks.empty() && draw.Chance(options.hotlinkedShare)) {
                project.FindElement(guid)->hotlink = hotlinks[draw.Below(hotlinks.size())];
            }
        }
    }
    return project;
}

} // namespace VantrelSim
