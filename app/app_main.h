#pragma once

#include <functional>
#include <memory>

class QApplication;
class TForm1;

using FormFactory = std::function<std::unique_ptr<TForm1>()>;

/// The program from an initialised application object to its exit status: theme, main
/// window (created by `create_form`), title, message loop. The window is destroyed before
/// this returns, so its destruction steps have run by then.
int RunVantu(QApplication& app, const FormFactory& create_form);
