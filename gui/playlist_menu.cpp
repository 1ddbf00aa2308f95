#include "gui/playlist_menu.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace gui {
namespace {

// The file to save to, "" when the dialog is cancelled.
QString chosenPlaylistFile(QWidget& window) {
    QFileDialog dialog(&window, "Save playlist");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("M3U8 playlists (*.m3u8)");
    dialog.setDefaultSuffix("m3u8");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void ShowPlaylistMenu(QWidget& window, const app::Decks& decks, int16_t deck,
                      const QPoint& screenPosition) {
    QMenu menu(&window);
    const QAction* save = menu.addAction("Save playlist…");
    if (menu.exec(screenPosition) != save) {
        return;
    }
    const QString file = chosenPlaylistFile(window);
    if (file.isEmpty()) {
        return;
    }
    const std::string failure = decks.SavePlaylist(deck, file.toStdString());
    if (!failure.empty()) {
        QMessageBox::warning(&window, "Rotavox",
                             QString::fromStdString(failure) +
                                 "\n\nThe playlist was not saved; a file that was there is "
                                 "unchanged.");
    }
}

}  // namespace gui
