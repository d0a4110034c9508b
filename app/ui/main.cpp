#include "app/ui/QtDialogs.h"
#include "app/ui/QtFileDialogs.h"
#include "app/ui/TApplication.h"
#include "app/ui/TForm1.h"

#include <QDialog>

int main(int argc, char* argv[]) {
    tessary::QtDialogs dialogs;
    tessary::TApplication app(argc, argv, dialogs);
    tessary::QtFileDialogs fileDialogs;
    tessary::TForm1 form(dialogs, fileDialogs, [](QDialog& dialog) { return dialog.exec(); });
    form.FormShow();
    form.show();
    return app.exec();
}
