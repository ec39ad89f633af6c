#pragma once

#include "app/message_asker.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

/**
 * Answers the window's message boxes without showing them: records every box
 * asked and replies from a queue (or with the first offered button).
 */
class ScriptedAsker : public MessageAsker {
public:
    struct Asked {
        QMessageBox::Icon icon;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    /** Shared log, still readable after the window took the asker. */
    std::shared_ptr<std::vector<Asked>> asked = std::make_shared<std::vector<Asked>>();
    std::shared_ptr<std::deque<QMessageBox::StandardButton>> answers
        = std::make_shared<std::deque<QMessageBox::StandardButton>>();
    /** Runs while a box is "open", to act as events arriving meanwhile. */
    std::function<void()> whileOpen;

    QMessageBox::StandardButton ask(
        QWidget*, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons) override
    {
        asked->push_back({ icon, text, buttons });
        if (whileOpen)
            whileOpen();
        if (!answers->empty()) {
            const auto a = answers->front();
            answers->pop_front();
            return a;
        }
        for (int bit = 0; bit < 32; ++bit) {
            const auto b = static_cast<QMessageBox::StandardButton>(1u << bit);
            if (buttons.testFlag(b))
                return b;
        }
        return QMessageBox::NoButton;
    }
};

} // namespace testsupport
