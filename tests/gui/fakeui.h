#pragma once

#include "uiservices.h"
#include "unitlist.h"

#include <QApplication>
#include <QDialog>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <functional>

// What the fake is scripted with and what it was shown.
struct FakeUiScript {
    std::deque<IUiServices::Answer> answers; // for the questions, in order; empty: Cancel
    std::deque<int> choices;                 // the buttons Choose() picks; empty: Esc
    QStringList choiceButtons;               // the buttons each Choose() offered
    std::vector<int> choiceDefaults;         // and its default button
    std::deque<std::string> unitClasses;     // what the picker "chooses"; empty: dismissed
    std::deque<QString> files;               // what the file dialogs return
    std::deque<QColor> colors;               // what the colour dialog returns; empty: cancelled
    std::deque<int> numbers;                 // what GetNumber() is answered; empty: cancelled
    std::vector<int> numberDefaults;         // and the number it was offered
    QStringList messages;
    QStringList texts; // what ShowText() showed: its title, a line break, the text
    QStringList questions;
    QStringList openFolders; // where the Open dialog started
    QStringList saveTitles;  // and the save dialog's title
    std::vector<IUiServices::Icon> icons;
    int beeps = 0;
};

// Answers every question of the program from a script and records what it
// was shown, so that no test ever waits on a modal window.
class FakeUi : public IUiServices, public FakeUiScript {
public:
    // Tests never write into the user's own folders (recovery files).
    FakeUi() {
        QStandardPaths::setTestModeEnabled(true);
        SetUi(this);
    }
    ~FakeUi() override { SetUi(nullptr); }
    FakeUi(const FakeUi&) = delete;
    FakeUi& operator=(const FakeUi&) = delete;

    // Forgets the script and everything shown, between test functions.
    void Reset() { static_cast<FakeUiScript&>(*this) = {}; }

    void ShowMessage(QWidget*, Icon icon, const QString& text) override {
        messages << text;
        icons.push_back(icon);
    }
    Answer AskYesNoCancel(QWidget*, const QString& text) override { return Ask(text); }
    Answer AskSaveChanges(QWidget*, const QString& text) override { return Ask(text); }
    int Choose(QWidget*, Icon, const QString& text, const QStringList& buttons, int defaultButton,
               const QString&) override {
        // Every button of a question can be pressed from the keyboard.
        for (const QString& button : buttons)
            if (!button.contains('&'))
                qFatal("a button without a mnemonic: %s", qPrintable(button));
        questions << text;
        choiceButtons << buttons.join('|');
        choiceDefaults.push_back(defaultButton);
        return Take(choices).value_or(int(buttons.size()) - 1);
    }
    void Beep() override { ++beeps; }
    void ShowText(QWidget*, const QString& title, const QString& text) override {
        texts << title + "\n" + text;
    }
    const UnitItem* PickUnit(QWidget*, const CUnitList& units) override {
        const auto unitClass = Take(unitClasses);
        return unitClass ? units.FindUnitByClass(*unitClass) : nullptr;
    }
    std::optional<QColor> PickColor(QWidget*, const QColor&) override { return Take(colors); }
    std::optional<int> GetNumber(QWidget*, const QString&, const QString& label, int value, int min,
                                 int max) override {
        questions << label;
        numberDefaults.push_back(value);
        const auto n = Take(numbers);
        return n ? std::optional(std::clamp(*n, min, max)) : n; // as the spin box keeps it
    }
    QString GetOpenFileName(QWidget*, const QString& folder) override {
        openFolders << folder;
        return Take(files).value_or(QString());
    }
    QString GetFolderName(QWidget*, const QString& folder) override {
        openFolders << folder;
        return Take(files).value_or(QString());
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString& title) override {
        saveTitles << title;
        return Take(files).value_or(QString());
    }

private:
    template <typename T> static std::optional<T> Take(std::deque<T>& script) {
        if (script.empty()) return std::nullopt;
        T next = std::move(script.front());
        script.pop_front();
        return next;
    }
    Answer Ask(const QString& text) {
        questions << text;
        return Take(answers).value_or(Answer::Cancel);
    }
};

// Runs `act` on the next modal dialog of type D once it is shown (a dialog
// opened by exec() inside the code under test). `act` should close it.
template <typename D> void WhenModal(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
