#pragma once

// The project's stories as the host interface answers them: first, last and current story
// index and one name per story from first to last.

#include <QB/Array.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Api {

struct StorySettings {
    QB::Int16 currentStory = 0;
    QB::Int16 firstStory = 0;
    QB::Int16 lastStory = 0;
    QB::Array<QB::UniString> names; // names[0] is story firstStory

    // The name of story `storyIndex`. A names list that does not match the index range is
    // logged (critical) and the lookup goes on; throws AddonRuntimeError "story index out of
    // range" for an index outside firstStory..lastStory or beyond the names there are.
    const QB::UniString& GetStoryName(QB::Int32 storyIndex) const;
};

} // namespace TesselConnect::Api
