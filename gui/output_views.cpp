#include "gui/output_views.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "gui/disc.h"
#include "gui/mixer_window.h"
#include "gui/output_choice.h"

namespace gui {
namespace {

constexpr int kNoticeCheckMs = 500;

// The notice, over whatever the video area shows, letting every click through.
void addNotice(QWidget& videoArea) {
    auto* notice = new QLabel("No sound output", &videoArea);
    notice->setObjectName("soundNotice");
    notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice->setStyleSheet("color: white; background: rgba(0, 0, 0, 160); padding: 2px 4px;");
    notice->adjustSize();
    notice->move(4, 4);
    notice->hide();
    auto* timer = new QTimer(notice);
    QObject::connect(timer, &QTimer::timeout, notice, [notice] {
        const bool silent = !platform::SoundOutputState().masterOnDevice;
        notice->setVisible(silent);
        if (silent) {
            notice->raise();  // above pictures made since
        }
    });
    timer->start(kNoticeCheckMs);
}

// One submenu of exclusive choices; `choose` gets the picked entry's value.
template <typename Value, typename Choose>
void addChoices(QMenu& menu, const QString& title,
                const std::vector<std::pair<QString, Value>>& entries, const Value& current,
                Choose choose) {
    QMenu* submenu = menu.addMenu(title);
    auto* group = new QActionGroup(submenu);
    for (const auto& [label, value] : entries) {
        QAction* action = submenu->addAction(label);
        action->setCheckable(true);
        action->setChecked(value == current);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, [choose, value] { choose(value); });
    }
}

std::vector<std::pair<QString, std::string>> devices(const QString& none) {
    std::vector<std::pair<QString, std::string>> entries{{none, ""}};
    for (const std::string& name : platform::SoundOutputNames()) {
        entries.emplace_back(QString::fromStdString(name), name);
    }
    return entries;
}

}  // namespace

void AddOutputMenus(QMenu& menu) {
    const platform::OutputChoice chosen = platform::ChosenSoundOutputs();
    addChoices(menu, "Sound output", devices("Default"), chosen.master, [chosen](auto name) {
        platform::OutputChoice choice = chosen;
        choice.master = name;
        ChooseAndRemember(choice);
    });
    addChoices(menu, "Headphones", devices("None"), chosen.headphones, [chosen](auto name) {
        platform::OutputChoice choice = chosen;
        choice.headphones = name;
        ChooseAndRemember(choice);
    });
    std::vector<std::pair<QString, size_t>> periods;
    for (const size_t period : kPeriods) {
        periods.emplace_back(QString("%1 frames").arg(period), period);
    }
    addChoices(menu, "Period", periods, chosen.periodFrames, [chosen](size_t period) {
        platform::OutputChoice choice = chosen;
        choice.periodFrames = period;
        ChooseAndRemember(choice);
    });
}

namespace {

void showCueOnDiscs(MixerWindow& window) {
    app::Decks& decks = window.decks();
    for (const int16_t deck : {0, 1}) {
        const QString name = deck == 0 ? "Shape1" : "Shape2";
        if (auto* disc = window.findChild<Disc*>(name)) {
            disc->setCueShown([&decks, deck] {
                return decks.cued(deck) && !platform::ChosenSoundOutputs().headphones.empty();
            });
        }
    }
}

}  // namespace

void InstallOutputViews(MixerWindow& window) {
    QWidget& videoArea = window.videoArea();
    addNotice(videoArea);
    window.videoAreaMenu().addEntries(AddOutputMenus);
    showCueOnDiscs(window);
}

}  // namespace gui
