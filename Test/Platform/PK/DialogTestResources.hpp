#pragma once

// A small resource module for the dialog-library tests, registered for the life of a test, and
// the reset of the library's process-wide state (responder, interaction record) around it.

#include <PK/Responder.hpp>

#include <QB/Resource.hpp>

#include <gmock/gmock.h>

#include <memory>

namespace PKTest {

inline constexpr QB::ResId PageId = 100; // list, icon button, push button, two texts, pop-up
inline constexpr QB::ResId SecondPageId = 101;
inline constexpr QB::ResId ChooserId = 200; // prompt, pop-up, Choose, Cancel
inline constexpr QB::ResId QuestionAlertId = 300;
inline constexpr QB::ResId NoticeAlertId = 301;
inline constexpr QB::ResId SelectIconId = 500;
inline constexpr QB::ResId WarningIconId = 501;

inline const QB::Guid PaletteGuid{"{0b7e1c44-3f1d-4b8e-9a51-2f6c8d0e4a11}"};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QB::ResModule _module = QB::InvalidResModule;
    std::shared_ptr<PK::ScriptedResponder> _responder;
};

} // namespace PKTest
