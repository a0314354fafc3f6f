#pragma once

#include <QString>

class DriveProbe;
class FolderList;
class MessagePresenter;

// Moves the folder list to a newly chosen drive once the probe finds a readable medium in it.
// A refused drive, or a ready one whose root cannot be opened, gets the one message the windows
// give for it, and the folder list keeps its folder.
void openChosenDrive(const QString& drive, DriveProbe& probe, FolderList& folders,
                     MessagePresenter& presenter);
