#include "store/Messages.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessageService.h"

#include <QObject>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace tabulo::store;
using tabulo::test::Halted;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;

namespace {

// Messages 1 to 5 end the program once the box is closed; code after the
// call must never run.
TEST(MessageHalt, FileMessagesEndTheProgramWithTheirHaltText) {
    const std::pair<int, const char *> cases[] = {{1, "Invalid File!"},
                                                  {3, "Error Rebuilding Key!"},
                                                  {4, "File Creation Error!"},
                                                  {5, "File Creation Error!"}};
    for (const auto &[number, haltText] : cases) {
        ScriptedMessageService messages;
        ScopedMessageService installed(messages);
        messages.answer(number, Button::Ok);
        bool continued = false;
        try {
            standardMessage(number, QStringLiteral("QKNAM.TPS"));
            continued = true;
        } catch (const Halted &halted) {
            EXPECT_EQ(halted.text().toStdString(), haltText) << "message " << number;
        }
        EXPECT_FALSE(continued) << "message " << number << " returned to its caller";
        // The box came first, then the halt.
        EXPECT_EQ(messages.shownNumbers(), std::vector<int>{number});
        EXPECT_EQ(messages.haltTexts(), std::vector<QString>{QString::fromUtf8(haltText)});
    }
}

TEST(MessageHalt, InvalidKeyReturnsYesAndEndsOnNo) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);

    messages.answer(2, Button::Yes);
    EXPECT_EQ(standardMessage(2, QStringLiteral("QKCAT.TPS")), Button::Yes);
    EXPECT_TRUE(messages.haltTexts().empty());

    messages.answer(2, Button::No);
    try {
        standardMessage(2, QStringLiteral("QKCAT.TPS"));
        ADD_FAILURE() << "answering No must end the program";
    } catch (const Halted &halted) {
        EXPECT_EQ(halted.text(), QStringLiteral("Invalid Key!"));
    }
}

TEST(MessageHalt, FileAccessErrorReturnsAndTheCallerEndsTheProgram) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    messages.answer(30, Button::Ok);
    EXPECT_EQ(standardMessage(30, QStringLiteral("QKZIP.TPS")), Button::Ok);
    EXPECT_TRUE(messages.haltTexts().empty());
    try {
        haltProgram(QStringLiteral("Disk Error"));
        ADD_FAILURE() << "haltProgram returned";
    } catch (const Halted &halted) {
        EXPECT_EQ(halted.text(), QStringLiteral("Disk Error"));
    }
}

TEST(MessageOwner, TheOwnerWindowReachesTheService) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    QObject window;
    messages.answer(32, Button::Ok);
    EXPECT_EQ(standardMessage(&window, 32), Button::Ok);
    EXPECT_EQ(messages.last().owner, &window);
}

// --- The scripted service itself ---------------------------------------------

TEST(ScriptedMessages, UnexpectedBoxFailsTheTestAndTakesTheDefault) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    int pressed = 0;
    EXPECT_NONFATAL_FAILURE(pressed = standardMessage(33), "Do you want to save the changes to this record?");
    EXPECT_EQ(pressed, Button::No);
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(ScriptedMessages, BoxOtherThanTheScriptedNumberFailsTheTest) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    messages.answer(32, Button::Ok);
    int pressed = 0;
    EXPECT_NONFATAL_FAILURE(pressed = standardMessage(16), "Expected message 32 but message 16");
    EXPECT_EQ(pressed, Button::Cancel);
}

TEST(ScriptedMessages, AnswerThatIsNotABoxButtonFailsTheTest) {
    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    messages.answer(Button::Retry);
    EXPECT_NONFATAL_FAILURE(standardMessage(32), "is not a button of message 32");
}

TEST(ScriptedMessages, LeftOverAnswersFailTheTest) {
    ScriptedMessageService messages;
    messages.answer(24, Button::Ok);
    EXPECT_EQ(messages.pendingAnswers(), 1u);
    EXPECT_NONFATAL_FAILURE(messages.expectAllAnswered(), "for message 24 was never asked for");
    EXPECT_EQ(messages.pendingAnswers(), 0u);
}

TEST(ScriptedMessages, AnswersInScriptOrderAndRestoresThePreviousService) {
    ScriptedMessageService outer;
    ScopedMessageService outerInstalled(outer);
    {
        ScriptedMessageService inner;
        ScopedMessageService innerInstalled(inner);
        inner.answer(Button::Yes);
        inner.answer(16, Button::No);
        EXPECT_EQ(standardMessage(33), Button::Yes);
        EXPECT_EQ(standardMessage(16), Button::No);
        EXPECT_EQ(&MessageService::current(), &inner);
    }
    EXPECT_EQ(&MessageService::current(), &outer);
    outer.answer(Button::Cancel);
    EXPECT_EQ(standardMessage(18), Button::Cancel);
}

} // namespace
