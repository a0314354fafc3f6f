// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

struct AppContext;
class DriveList;
class DriveProbe;
class FolderList;
class MessagePresenter;
class QRect;
class QWidget;

// The drive list and the folder list through which the folder pickers and the viewer browse. A
// drive chosen in the one opens in the other once the probe finds a readable medium in it; a
// refused drive, or a ready one whose root cannot be opened, gets the one message the windows
// give for it, and the folder list keeps its folder.
class FolderBrowser : public QObject {
  Q_OBJECT
public:
  FolderBrowser(QWidget* window, const QRect& drives, const QRect& folders,
                const AppContext& context);
  ~FolderBrowser() override;

  DriveList* drives() const { return Drive1; }
  FolderList* folders() const { return Dir1; }

private:
  void Drive1_Change();

  DriveList* Drive1;
  FolderList* Dir1;
  std::unique_ptr<DriveProbe> Disco;
  std::shared_ptr<MessagePresenter> presenter_;
};
