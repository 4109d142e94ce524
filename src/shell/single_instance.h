// One instance per user on Palm-size devices: the running instance listens on a
// local socket named after the title text and the user; a second start finds
// it there, asks it to come to the front and ends.
#pragma once

#include <QString>

#include <functional>

// True when an instance of title is running for this user and was asked to
// come to the front; the caller then exits with 0. False when none answers
// (none runs, or only the socket of a crashed run is left).
bool ActivateRunningInstance(const QString& title);

// Starts answering later starts of title: each request calls bringForward on
// this (the UI) thread. A socket left by a crashed run is removed first. False
// when another instance already listens or the socket cannot be made. Stops
// any earlier listening of this process; the listening ends with the
// application object or StopListeningForInstances.
bool ListenForInstances(const QString& title, std::function<void()> bringForward);
void StopListeningForInstances();
