#pragma once

#include "uiservices.h"
#include "unitlist.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <functional>

// Answers every question of the program from a script and records what it
// was shown, so that no test ever waits on a modal window.
class FakeUi : public IUiServices {
public:
    FakeUi() { SetUi(this); }
    ~FakeUi() override { SetUi(nullptr); }
    FakeUi(const FakeUi&) = delete;
    FakeUi& operator=(const FakeUi&) = delete;

    // Forgets the script and everything shown, between test functions.
    void Reset() {
        answers.clear();
        choices.clear();
        choiceButtons.clear();
        choiceDefaults.clear();
        unitClasses.clear();
        files.clear();
        colors.clear();
        numbers.clear();
        messages.clear();
        questions.clear();
        icons.clear();
        beeps = picks = 0;
    }

    void ShowMessage(QWidget*, Icon icon, const QString& text) override {
        messages << text;
        icons.push_back(icon);
    }
    Answer AskYesNoCancel(QWidget*, const QString& text) override { return Next(text); }
    Answer AskSaveChanges(QWidget*, const QString& text) override { return Next(text); }
    int Choose(QWidget*, Icon, const QString& text, const QStringList& buttons,
               int defaultButton) override {
        questions << text;
        choiceButtons << buttons.join('|');
        choiceDefaults.push_back(defaultButton);
        if (choices.empty()) return int(buttons.size()) - 1; // as Esc
        const int c = choices.front();
        choices.pop_front();
        return c;
    }
    void Beep() override { ++beeps; }
    const UnitItem* PickUnit(QWidget*, const CUnitList& units) override {
        ++picks;
        if (unitClasses.empty()) return nullptr;
        const std::string unitClass = unitClasses.front();
        unitClasses.pop_front();
        return units.FindUnitByClass(unitClass);
    }
    std::optional<QColor> PickColor(QWidget*, const QColor&) override {
        if (colors.empty()) return std::nullopt;
        const QColor c = colors.front();
        colors.pop_front();
        return c;
    }
    std::optional<int> GetNumber(QWidget*, const QString&, const QString& label, int, int min,
                                 int max) override {
        questions << label;
        if (numbers.empty()) return std::nullopt;
        const int n = std::clamp(numbers.front(), min, max); // as the spin box keeps it
        numbers.pop_front();
        return n;
    }
    QString GetOpenFileName(QWidget*) override { return TakeFile(); }
    QString GetSaveFileName(QWidget*, const QString&) override { return TakeFile(); }

    std::deque<Answer> answers;          // for the questions, in order
    std::deque<int> choices;             // the buttons Choose() picks; empty: Esc
    QStringList choiceButtons;           // the buttons each Choose() offered
    std::vector<int> choiceDefaults;     // and its default button
    std::deque<std::string> unitClasses; // what the picker "chooses"; empty: dismissed
    std::deque<QString> files;           // what the file dialogs return
    std::deque<QColor> colors;           // what the colour dialog returns; empty: cancelled
    std::deque<int> numbers;             // what GetNumber() is answered; empty: cancelled
    QStringList messages;
    QStringList questions;
    std::vector<Icon> icons;
    int beeps = 0;
    int picks = 0;

private:
    Answer Next(const QString& text) {
        questions << text;
        if (answers.empty()) return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString TakeFile() {
        if (files.empty()) return {};
        QString f = files.front();
        files.pop_front();
        return f;
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
