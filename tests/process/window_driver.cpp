// SPDX-License-Identifier: GPL-3.0-or-later
// The program's window, driven from the command line for process-level tests of the
// buttons that an unattended run never presses. It is the window the program builds, in
// the working directory it is started in, against whichever port library the loader finds.
// Every box it shows is printed as "box: <text>"; the window is destroyed at the end as
// when the program exits, so its files are written as they would be.
//
//   window_driver [--image-read-fails-at=N] ACTION...
//   ACTION: set:CONTROL=TEXT   text of an edit or label (the image path is filePathLabel)
//           click:BUTTON       press a button
//           show:CONTROL       print "CONTROL=<text>"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "failing_stream.h"
#include "flash/image.h"

namespace {

class PrintingHook : public dialogs::Hook {
public:
    void OnBox(const dialogs::Box& box) override {
        std::printf("box: %s\n", box.text.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    std::optional<QString> OnOpenFile(const QString&) override { return std::nullopt; }
};

// The real image, handed out as a stream whose reads fail from `fail_at` on.
OpenedImage FailingImage(const char* path, size_t fail_at) {
    OpenedImage image = IMG_OpenImageFile(path);
    if (image.status != ImageOpenStatus::Opened) return image;
    std::string bytes;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, image.file)) > 0;) bytes.append(buffer, got);
    std::fclose(image.file);
    image.file = teststream::OpenFailingStream(std::move(bytes), fail_at);
    if (image.file == nullptr) image.status = ImageOpenStatus::CannotOpen;
    return image;
}

bool Act(MainWindow& form, const std::string& action) {
    const size_t colon = action.find(':');
    if (colon == std::string::npos) return false;
    const std::string verb = action.substr(0, colon);
    std::string name = action.substr(colon + 1);
    std::string text;
    if (verb == "set") {
        const size_t equals = name.find('=');
        if (equals == std::string::npos) return false;
        text = name.substr(equals + 1);
        name.resize(equals);
    }
    QWidget* control = form.findChild<QWidget*>(QString::fromStdString(name));
    if (control == nullptr) return false;
    if (verb == "click") {
        auto* button = qobject_cast<QAbstractButton*>(control);
        if (button == nullptr) return false;
        button->click();
    } else if (verb == "set" || verb == "show") {
        auto* edit = qobject_cast<QLineEdit*>(control);
        auto* label = qobject_cast<QLabel*>(control);
        if (edit == nullptr && label == nullptr) return false;
        if (verb == "set" && edit != nullptr) edit->setText(QString::fromLocal8Bit(text));
        if (verb == "set" && label != nullptr) label->setText(QString::fromLocal8Bit(text));
        if (verb == "show")
            std::printf("%s=%s\n", name.c_str(), (edit != nullptr ? edit->text() : label->text()).toLocal8Bit().constData());
    } else {
        return false;
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrintingHook hook;
    dialogs::ScopedHook hooked(hook);
    std::unique_ptr<ScopedImageOpener> failing_reads;
    int first_action = 1;
    const std::string fail_option = "--image-read-fails-at=";
    if (argc > 1 && std::string(argv[1]).rfind(fail_option, 0) == 0) {
        const size_t fail_at = std::strtoull(argv[1] + fail_option.size(), nullptr, 0);
        failing_reads = std::make_unique<ScopedImageOpener>(
            [fail_at](const char* path) { return FailingImage(path, fail_at); });
        first_action = 2;
    }
    auto form = std::make_unique<MainWindow>();
    if (form->EndsAtStart()) return 0;
    for (int i = first_action; i < argc; ++i) {
        if (!Act(*form, argv[i])) {
            std::fprintf(stderr, "window_driver: cannot do %s\n", argv[i]);
            return 2;
        }
    }
    form.reset();
    return 0;
}
