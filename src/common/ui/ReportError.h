// ReportError: shows the error report box (number, description, cause, remedy) for a trapped
// failure, then repairs the picture file selection after a drive failure.
#pragma once

#include "KivraError.h"

#include <QString>

#include <functional>

class QWidget;

namespace kivra {

// Shows message kind 12 with the report's caption and text, modally over `owner`.
void ReportError(const KivraError& error, QWidget* owner);
void ReportError(int number, const QString& platformDescription, QWidget* owner);

// The same for a failure of the settings store, once per session and error number for all the
// session's programs together: the store is one, and so is its fault.
void ReportStoreError(const KivraError& error, QWidget* owner);

// Called after the box closes when the error was a drive failure (57, 68, 71): puts the picture
// file selection back on the last drive that worked. Installed by the picture selection page.
using PictureSelectionRestorer = std::function<void()>;
void setPictureSelectionRestorer(PictureSelectionRestorer restorer);

}  // namespace kivra
