#include "Vantrel/Api/Structs/StorySettings.hpp"

#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/Assert.hpp"

namespace TesselConnect::Api {

const QB::UniString& StorySettings::GetStoryName(QB::Int32 storyIndex) const {
    ATC_EXPECT_CRITICAL((lastStory - firstStory + 1) == static_cast<int>(names.GetSize()),
                        "(lastStory - firstStory + 1) == static_cast<int>(names.GetSize()), lastStory({}), "
                        "firstStory({}), names.GetSize()({})",
                        lastStory, firstStory, names.GetSize());
    // The names list is checked too: a host answer whose list is shorter than its range must
    // not turn a valid-looking index into a read past the list.
    if (storyIndex < firstStory || storyIndex > lastStory ||
        static_cast<QB::USize>(storyIndex - firstStory) >= names.GetSize()) {
        throw AddonRuntimeError::AtSource("story index out of range");
    }
    return names[static_cast<QB::USize>(storyIndex - firstStory)];
}

} // namespace TesselConnect::Api
