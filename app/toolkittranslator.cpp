#include "toolkittranslator.h"

namespace {

struct Translation {
    const char *context;
    const char *source;
    const char *greek;
};

// Texts that every editable text field offers in its right-click menu.
// clang-format off
#define EDIT_MENU(context)                                                                         \
    {context, "&Undo", "&Αναίρεση"}, {context, "&Redo", "Ε&πανάληψη"},                              \
        {context, "Cu&t", "Απο&κοπή"}, {context, "&Copy", "Α&ντιγραφή"},                           \
        {context, "&Paste", "Ε&πικόλληση"}, {context, "Delete", "Διαγραφή"},                        \
        {context, "Select All", "Επιλογή όλων"}
// clang-format on

const Translation translations[] = {
    // Standard buttons of message boxes and button boxes.
    {"QPlatformTheme", "OK", "Εντάξει"},
    {"QPlatformTheme", "Cancel", "Άκυρο"},
    {"QPlatformTheme", "Close", "Κλείσιμο"},
    {"QPlatformTheme", "&Yes", "&Ναι"},
    {"QPlatformTheme", "&No", "Ό&χι"},
    {"QPlatformTheme", "Yes to &All", "Ναι σε ό&λα"},
    {"QPlatformTheme", "N&o to All", "Όχι σε όλ&α"},
    {"QPlatformTheme", "Save", "Αποθήκευση"},
    {"QPlatformTheme", "Save All", "Αποθήκευση όλων"},
    {"QPlatformTheme", "Open", "Άνοιγμα"},
    {"QPlatformTheme", "Apply", "Εφαρμογή"},
    {"QPlatformTheme", "Reset", "Επαναφορά"},
    {"QPlatformTheme", "Restore Defaults", "Επαναφορά προεπιλογών"},
    {"QPlatformTheme", "Help", "Βοήθεια"},
    {"QPlatformTheme", "Discard", "Απόρριψη"},
    {"QPlatformTheme", "Don't Save", "Χωρίς αποθήκευση"},
    {"QPlatformTheme", "Abort", "Διακοπή"},
    {"QPlatformTheme", "Retry", "Επανάληψη"},
    {"QPlatformTheme", "Ignore", "Παράβλεψη"},
    // The same buttons under the GNOME and GTK desktops' theme, usual on
    // Debian and Ubuntu, which names them with keys of their own.
    {"QGnomeTheme", "&OK", "&Εντάξει"},
    {"QGnomeTheme", "&Save", "&Αποθήκευση"},
    {"QGnomeTheme", "&Cancel", "&Άκυρο"},
    {"QGnomeTheme", "&Close", "&Κλείσιμο"},
    {"QGnomeTheme", "Close without Saving", "Κλείσιμο χωρίς αποθήκευση"},
    {"QMessageBox", "Show Details...", "Λεπτομέρειες..."},
    {"QMessageBox", "Hide Details...", "Απόκρυψη λεπτομερειών..."},

    // Right-click menus of line edits, text edits and text labels.
    EDIT_MENU("QLineEdit"),
    EDIT_MENU("QWidgetTextControl"),
    {"QWidgetTextControl", "Copy &Link Location", "Αντιγραφή &διεύθυνσης συνδέσμου"},
    {"QLineEdit", "Insert Unicode control character", "Εισαγωγή χαρακτήρα ελέγχου"},
    {"QWidgetTextControl", "Insert Unicode control character", "Εισαγωγή χαρακτήρα ελέγχου"},

    // Number boxes replace "Select All" and add stepping.
    {"QAbstractSpinBox", "&Select All", "&Επιλογή όλων"},
    {"QAbstractSpinBox", "&Step up", "&Αύξηση"},
    {"QAbstractSpinBox", "Step &down", "&Μείωση"},

    // Scroll bars.
    {"QScrollBar", "Scroll here", "Κύλιση εδώ"},
    {"QScrollBar", "Left edge", "Αριστερό άκρο"},
    {"QScrollBar", "Top", "Αρχή"},
    {"QScrollBar", "Right edge", "Δεξί άκρο"},
    {"QScrollBar", "Bottom", "Τέλος"},
    {"QScrollBar", "Page left", "Σελίδα αριστερά"},
    {"QScrollBar", "Page up", "Σελίδα πάνω"},
    {"QScrollBar", "Page right", "Σελίδα δεξιά"},
    {"QScrollBar", "Page down", "Σελίδα κάτω"},
    {"QScrollBar", "Scroll left", "Κύλιση αριστερά"},
    {"QScrollBar", "Scroll up", "Κύλιση πάνω"},
    {"QScrollBar", "Scroll right", "Κύλιση δεξιά"},
    {"QScrollBar", "Scroll down", "Κύλιση κάτω"},

    // The arrows of a tab bar too narrow for its tabs, named for screen readers.
    {"QTabBar", "Scroll Left", "Κύλιση αριστερά"},
    {"QTabBar", "Scroll Right", "Κύλιση δεξιά"},
};

QByteArray key(const char *context, const char *sourceText)
{
    return QByteArray(context) + '|' + sourceText;
}

} // namespace

ToolkitTranslator::ToolkitTranslator(QObject *parent)
    : QTranslator(parent)
{
    for (const Translation &translation : translations)
        texts.insert(key(translation.context, translation.source),
                     QString::fromUtf8(translation.greek));
}

QString ToolkitTranslator::translate(const char *context, const char *sourceText, const char *,
                                     int) const
{
    if (!context || !sourceText)
        return QString();
    return texts.value(key(context, sourceText));
}

bool ToolkitTranslator::isEmpty() const
{
    return false;
}
