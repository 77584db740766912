// Tests of core/input: button latches and pending click positions, double clicks, the wheel,
// key and character events, the ±100000 position guard, full-screen confinement and the
// cursor rule. Everything runs on the fake OS backend with a hand-stepped TIM_RealDelta.
#include <gtest/gtest.h>

#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "core/input.h"
#include "core/settings.h"
#include "platform/os/os.h"

namespace {

class Input : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = { CFG_Width, CFG_Height, CFG_Windowed, APP_Focused, TIM_RealDelta };
        os::FAKE_Reset();
        os::OS_SetCapture(false);
        os::OS_ClipCursor(nullptr);
        INP_Init();
        CFG_Width = 800;
        CFG_Height = 600;
        CFG_Windowed = 1;
        APP_Focused = 1;
        TIM_RealDelta = 0.05f;
        os::FAKE_SetCursorPos(400, 300);
    }
    void TearDown() override
    {
        INP_Init();
        CFG_Width = saved_.w;
        CFG_Height = saved_.h;
        CFG_Windowed = saved_.windowed;
        APP_Focused = saved_.focused;
        TIM_RealDelta = saved_.delta;
    }
    static void Frame()
    {
        INP_Update();
        INP_UpdateModifiers();
    }
    static void Click(uint32_t downMsg, uint32_t upMsg, int x, int y)
    {
        INP_ButtonEvent(downMsg, os::OS_PackPoint(x, y));
        INP_ButtonEvent(upMsg, os::OS_PackPoint(x, y));
    }

private:
    struct Saved { int w, h; uint8_t windowed, focused; float delta; } saved_ = {};
};

struct ButtonCase {
    const char* name;
    uint32_t down, up;
    uint8_t* isDown;
    uint8_t* pressed;
};

const ButtonCase kButtons[] = {
    { "left", os::MSG_LBUTTONDOWN, os::MSG_LBUTTONUP, &MOU_LeftDown, &MOU_LeftPressed },
    { "middle", os::MSG_MBUTTONDOWN, os::MSG_MBUTTONUP, &MOU_MiddleDown, &MOU_MiddlePressed },
    { "right", os::MSG_RBUTTONDOWN, os::MSG_RBUTTONUP, &MOU_RightDown, &MOU_RightPressed },
};

} // namespace

TEST_F(Input, ClickBetweenUpdatesCountsOneFrameAtItsOwnPosition)
{
    for (const ButtonCase& b : kButtons) {
        SCOPED_TRACE(b.name);
        INP_Init();
        os::FAKE_SetCursorPos(400, 300);
        Frame();
        INP_ButtonEvent(b.down, os::OS_PackPoint(80, 60));
        EXPECT_TRUE(os::OS_HasCapture());
        INP_ButtonEvent(b.up, os::OS_PackPoint(80, 60));
        EXPECT_FALSE(os::OS_HasCapture());
        os::FAKE_SetCursorPos(700, 450);  // the cursor has moved on before the frame runs

        Frame();
        EXPECT_EQ(*b.isDown, 1);
        EXPECT_EQ(*b.pressed, 1);
        EXPECT_FLOAT_EQ(MOU_X, 0.1f);
        EXPECT_FLOAT_EQ(MOU_Y, 0.1f);
        EXPECT_FLOAT_EQ(MOU_DX, 0.1f - 0.5f);

        Frame();
        EXPECT_EQ(*b.isDown, 0);
        EXPECT_EQ(*b.pressed, 0);
        EXPECT_FLOAT_EQ(MOU_X, 700.0f / 800.0f);
        EXPECT_FLOAT_EQ(MOU_Y, 0.75f);
    }
}

TEST_F(Input, HeldButtonIsPressedOnlyOnItsFirstUpdate)
{
    Frame();
    INP_ButtonEvent(os::MSG_LBUTTONDOWN, os::OS_PackPoint(400, 300));
    Frame();
    EXPECT_EQ(MOU_LeftDown, 1);
    EXPECT_EQ(MOU_LeftPressed, 1);
    Frame();
    EXPECT_EQ(MOU_LeftDown, 1);
    EXPECT_EQ(MOU_LeftPressed, 0);
    INP_ButtonEvent(os::MSG_LBUTTONUP, os::OS_PackPoint(400, 300));
    Frame();
    EXPECT_EQ(MOU_LeftDown, 0);
    EXPECT_EQ(MOU_LeftPressed, 0);
    EXPECT_EQ(MOU_RightDown, 0);
    EXPECT_EQ(MOU_MiddleDown, 0);
}

TEST_F(Input, DoubleClicksFromPressTiming)
{
    // Frames are 0.05 s apart; a click (down and up) happens before the listed frames.
    struct Case { const char* name; std::vector<int> clicks, doubles; };
    const Case cases[] = {
        { "double", { 0, 2 }, { 2 } },
        { "back-to-back updates", { 0, 1 }, {} },
        { "too slow", { 0, 10 }, {} },
        { "triple", { 0, 2, 4 }, { 2 } },
        { "quadruple", { 0, 2, 4, 6 }, { 2, 6 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        INP_Init();
        std::vector<int> doubles;
        for (int frame = 0; frame < 14; ++frame) {
            for (int at : c.clicks)
                if (at == frame)
                    Click(os::MSG_LBUTTONDOWN, os::MSG_LBUTTONUP, 400, 300);
            Frame();
            if (MOU_DoubleClick)
                doubles.push_back(frame);
            INP_EndFrame();
        }
        EXPECT_EQ(doubles, c.doubles);
    }
}

TEST_F(Input, WheelTakesLastStepForOneUpdate)
{
    struct Case { std::vector<int> steps; int want; };
    const Case cases[] = { { { 1 }, 1 }, { { 1, 1 }, 1 }, { { -1, -1 }, -1 }, { { -1, 1 }, 1 },
                           { { 120 }, 1 }, { {}, 0 } };
    for (const Case& c : cases) {
        for (int s : c.steps)
            INP_WheelEvent(s);
        Frame();
        EXPECT_EQ(MOU_Wheel, c.want);
        Frame();
        EXPECT_EQ(MOU_Wheel, 0);
    }
}

TEST_F(Input, ModifierKeysNeverBecomeKeyLast)
{
    struct Case { int key; int modifierBit; };
    const Case cases[] = { { INP_KEY_ENTER, INP_MOD_ENTER }, { INP_KEY_SHIFT, INP_MOD_SHIFT },
                           { INP_KEY_CONTROL, INP_MOD_CONTROL } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        INP_Init();
        INP_KeyEvent('A', true);
        INP_KeyEvent(c.key, true);
        Frame();
        EXPECT_EQ(KEY_Last, 'A');
        EXPECT_EQ(KEY_Held, c.key);
        EXPECT_EQ(KEY_Pressed[c.key], 1);
        EXPECT_EQ(KEY_Modifiers, c.modifierBit);
        INP_KeyEvent('A', false);  // not the held key: KEY_Held stays
        EXPECT_EQ(KEY_Held, c.key);
        INP_KeyEvent(c.key, false);
        EXPECT_EQ(KEY_Held, 0);
        Frame();
        EXPECT_EQ(KEY_Modifiers, 0);
    }
}

TEST_F(Input, KeyPressLivesOneFrameAndRepeatsFollow)
{
    INP_KeyEvent('Q', true);
    INP_KeyEvent('W', true);  // auto-repeat or a second key: the last one wins
    INP_KeyEvent(300, true);  // out of range: ignored
    INP_KeyEvent(-1, true);
    Frame();
    EXPECT_EQ(KEY_Last, 'W');
    EXPECT_EQ(KEY_Held, 'W');
    EXPECT_EQ(KEY_Pressed['Q'], 1);
    INP_EndFrame();
    EXPECT_EQ(KEY_Last, 0);
    EXPECT_EQ(KEY_Pressed['Q'], 0);
    EXPECT_EQ(KEY_Down['Q'], 1);  // still held
    EXPECT_EQ(KEY_Held, 'W');
    INP_KeyEvent('W', true);      // repeat
    EXPECT_EQ(KEY_Pressed['W'], 1);
    EXPECT_EQ(KEY_Last, 'W');
    INP_KeyEvent(INP_KEY_SHIFT, true);
    INP_KeyEvent(INP_KEY_CONTROL, true);
    Frame();
    EXPECT_EQ(KEY_Modifiers, INP_MOD_SHIFT | INP_MOD_CONTROL);
}

TEST_F(Input, TypedCharacterForFileNamesAndForAnyText)
{
    struct Case { char16_t c; char16_t wantChar, wantAny; };
    const Case cases[] = {
        { u':', 0, u':' },           // typable, not in file names
        { u'"', 0, u'"' },
        { u'\u201C', 0, u'\u201C' }, // typographic quote
        { u'\u2026', 0, u'\u2026' }, // ellipsis
        { u'a', u'a', u'a' },
        { u'_', u'_', u'_' },
        { u' ', u' ', u' ' },
        { u'@', u'@', u'@' },
        { u'\u044F', u'\u044F', u'\u044F' },  // я
        { u'\u0133', u'\u0133', u'\u0133' },  // ĳ
        { u'~', 0, 0 },              // never typable
        { u'#', 0, 0 },
        { u'\\', 0, 0 },
        { u'*', 0, 0 },
        { u'\u00CC', 0, 0 },         // Ì is not in the fonts' set
        { 0, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((int)c.c);
        INP_CharEvent(c.c);
        EXPECT_EQ(KEY_Char, c.wantChar);
        EXPECT_EQ(KEY_CharAny, c.wantAny);
    }
    INP_CharEvent(u'z');
    INP_EndFrame();
    EXPECT_EQ(KEY_Char, 0);
    EXPECT_EQ(KEY_CharAny, 0);
}

TEST_F(Input, PositionsBeyondLimitLeaveStateUntouched)
{
    Frame();
    const float x0 = MOU_X, y0 = MOU_Y;
    // A click is only tried where its packed (16-bit, unsigned) position is also refused.
    struct Case { const char* name; int width, height, cursorX, cursorY; bool click; };
    const Case cases[] = {
        { "back buffer not known", 0, 0, 400, 300, true },
        { "origin with no back buffer", 0, 0, 0, 0, true },  // 0 / 0
        { "far right", 1, 600, 200000, 300, false },
        { "far up", 800, 1, 400, -200000, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFG_Width = c.width;
        CFG_Height = c.height;
        os::FAKE_SetCursorPos(c.cursorX, c.cursorY);
        if (c.click)
            Click(os::MSG_LBUTTONDOWN, os::MSG_LBUTTONUP, c.cursorX, c.cursorY);
        INP_WheelEvent(-1);
        Frame();
        EXPECT_FLOAT_EQ(MOU_X, x0);
        EXPECT_FLOAT_EQ(MOU_Y, y0);
        EXPECT_EQ(MOU_LeftPressed, 0);
        EXPECT_EQ(MOU_Wheel, 0);

        // The latched press and the wheel step wait for the next usable update.
        CFG_Width = 800;
        CFG_Height = 600;
        os::FAKE_SetCursorPos(400, 300);
        Frame();
        EXPECT_EQ(MOU_LeftPressed, c.click ? 1 : 0);
        EXPECT_EQ(MOU_Wheel, -1);
        EXPECT_FLOAT_EQ(MOU_X, 0.5f);
        Frame();
    }
}

TEST_F(Input, ConfinementOnlyInFocusedFullScreen)
{
    os::OS_SetWindowPos(120, 40);
    int wx = 0, wy = 0;
    os::OS_GetWindowPos(&wx, &wy);
    struct Case { uint8_t windowed, focused; bool confined; };
    const Case cases[] = { { 0, 1, true }, { 1, 1, false }, { 0, 0, false }, { 0, 1, true },
                           { 1, 0, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "windowed " << (int)c.windowed << " focused " << (int)c.focused);
        CFG_Windowed = c.windowed;
        APP_Focused = c.focused;
        Frame();
        os::Rect r = {};
        ASSERT_EQ(os::OS_GetClip(&r), c.confined);
        if (c.confined) {
            EXPECT_EQ(r.left, wx + 2);
            EXPECT_EQ(r.top, wy + 2);
            EXPECT_EQ(r.right, wx + 800 - 2);
            EXPECT_EQ(r.bottom, wy + 600 - 2);
        }
    }
}

TEST_F(Input, CursorRuleFollowsButtonsEdgeAndVisibility)
{
    struct Case { uint8_t outside, left, right, middle; bool visible; os::CursorId want; };
    const Case cases[] = {
        { 0, 0, 0, 0, true, os::CURSOR_POINTER },
        { 0, 1, 0, 0, true, os::CURSOR_POINTER_HELD },
        { 0, 0, 1, 0, true, os::CURSOR_POINTER_HELD },
        { 0, 0, 0, 1, true, os::CURSOR_POINTER_HELD },
        { 1, 1, 0, 0, true, os::CURSOR_ARROW },
        { 0, 0, 0, 0, false, os::CURSOR_NONE },
        { 1, 0, 0, 0, false, os::CURSOR_ARROW },
    };
    CUR_Init(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (int)c.outside << c.left << c.right << c.middle << c.visible);
        MOU_Outside = c.outside;
        MOU_LeftDown = c.left;
        MOU_RightDown = c.right;
        MOU_MiddleDown = c.middle;
        CUR_SetVisible(c.visible);  // applies at once
        EXPECT_EQ(os::OS_GetCursor(), c.want);
    }
}

TEST_F(Input, CursorRuleInstallAndFrameUpdate)
{
    // No rule installed yet: nothing touches the cursor.
    os::OS_SetCursor(os::CURSOR_ARROW);
    MOU_Outside = 0;
    CUR_Update();
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_ARROW);

    CUR_Init([]() { return os::CURSOR_NONE; });  // a custom rule is applied once at install
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_NONE);

    CUR_Init(nullptr);
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_POINTER);
    // Moving outside the window shows the arrow from the following update on.
    os::FAKE_SetCursorPos(900, 300);
    Frame();
    EXPECT_EQ(MOU_Outside, 1);
    Frame();
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_ARROW);
}

TEST_F(Input, ResetMouseForgetsButtonsDoubleClickAndWheel)
{
    Frame();
    Click(os::MSG_LBUTTONDOWN, os::MSG_LBUTTONUP, 400, 300);
    Frame();  // first click arms the double-click timer
    Frame();
    INP_ButtonEvent(os::MSG_RBUTTONDOWN, os::OS_PackPoint(400, 300));
    INP_WheelEvent(1);
    INP_ResetMouse();
    EXPECT_FALSE(os::OS_HasCapture());
    EXPECT_EQ(MOU_RightDown, 0);
    EXPECT_EQ(MOU_Wheel, 0);

    Click(os::MSG_LBUTTONDOWN, os::MSG_LBUTTONUP, 400, 300);
    Frame();
    EXPECT_EQ(MOU_LeftPressed, 1);
    EXPECT_EQ(MOU_DoubleClick, 0);  // the timer was cleared: this is a first click again
    EXPECT_EQ(MOU_RightDown, 0);
    EXPECT_EQ(MOU_Wheel, 0);
}
