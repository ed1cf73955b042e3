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

    // The toolkit's own save dialog, where the desktop offers none (the list's
    // export), and the names of its columns.
    {"QFileDialog", "Look in:", "Αναζήτηση σε:"},
    {"QFileDialog", "File &name:", "Όνομα &αρχείου:"},
    {"QFileDialog", "Files of type:", "Αρχεία τύπου:"},
    {"QFileDialog", "Back", "Πίσω"},
    {"QFileDialog", "Forward", "Εμπρός"},
    {"QFileDialog", "Parent Directory", "Γονικός φάκελος"},
    {"QFileDialog", "Create New Folder", "Νέος φάκελος"},
    {"QFileDialog", "List View", "Προβολή λίστας"},
    {"QFileDialog", "Detail View", "Προβολή λεπτομερειών"},
    {"QFileDialog", "Go back", "Μετάβαση πίσω"},
    {"QFileDialog", "Go forward", "Μετάβαση εμπρός"},
    {"QFileDialog", "Go to the parent directory", "Μετάβαση στον γονικό φάκελο"},
    {"QFileDialog", "Create a New Folder", "Δημιουργία νέου φακέλου"},
    {"QFileDialog", "Change to list view mode", "Προβολή ως λίστα"},
    {"QFileDialog", "Change to detail view mode", "Προβολή με λεπτομέρειες"},
    {"QFileDialog", "Sidebar", "Πλευρική στήλη"},
    {"QFileDialog", "List of places and bookmarks", "Τοποθεσίες και σελιδοδείκτες"},
    {"QFileDialog", "Files", "Αρχεία"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "Το %1 υπάρχει ήδη.\nΘέλετε να το αντικαταστήσετε;"},
    {"QFileDialog", "&Save", "&Αποθήκευση"},
    {"QFileDialog", "&Open", "Άν&οιγμα"},
    {"QFileDialog", "&Choose", "Ε&πιλογή"},
    {"QFileDialog", "Open", "Άνοιγμα"},
    {"QFileDialog", "Save As", "Αποθήκευση ως"},
    {"QFileDialog", "New Folder", "Νέος φάκελος"},
    {"QFileDialog", "&New Folder", "&Νέος φάκελος"},
    {"QFileDialog", "&Delete", "&Διαγραφή"},
    {"QFileDialog", "Delete", "Διαγραφή"},
    {"QFileDialog", "&Rename", "&Μετονομασία"},
    {"QFileDialog", "Show &hidden files", "Εμφάνιση &κρυφών αρχείων"},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Να διαγραφεί το «%1»;"},
    {"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?",
     "Το «%1» προστατεύεται από εγγραφή.\nΝα διαγραφεί παρ' όλα αυτά;"},
    {"QFileDialog", "Could not delete directory.", "Ο φάκελος δεν διαγράφηκε."},
    {"QFileDialog", "Recent Places", "Πρόσφατες τοποθεσίες"},
    {"QFileDialog", "Directories", "Φάκελοι"},
    {"QFileDialog", "Directory:", "Φάκελος:"},
    {"QFileDialog", "All files (*)", "Όλα τα αρχεία (*)"},
    {"QFileSystemModel", "Name", "Όνομα"},
    {"QFileSystemModel", "Size", "Μέγεθος"},
    {"QFileSystemModel", "Type", "Τύπος"},
    {"QFileSystemModel", "Kind", "Είδος"},
    {"QFileSystemModel", "Date Modified", "Τροποποίηση"},
    {"QFileSystemModel", "Computer", "Υπολογιστής"},
    {"QFileSystemModel", "My Computer", "Ο υπολογιστής μου"},
    {"QSideBar", "Remove", "Αφαίρεση"},
    {"QAbstractFileIconProvider", "Drive", "Μονάδα δίσκου"},
    {"QAbstractFileIconProvider", "File", "Αρχείο"},
    {"QAbstractFileIconProvider", "File Folder", "Φάκελος αρχείων"},
    {"QAbstractFileIconProvider", "Folder", "Φάκελος"},
    {"QAbstractFileIconProvider", "Alias", "Ψευδώνυμο"},
    {"QAbstractFileIconProvider", "Shortcut", "Συντόμευση"},
    {"QAbstractFileIconProvider", "Unknown", "Άγνωστο"},

    // The toolkit's own print dialog, which Linux desktops use.
    {"QPrintDialog", "Print", "Εκτύπωση"},
    {"QPrintDialog", "&Print", "&Εκτύπωση"},
    {"QPrintDialog", "&Options >>", "&Επιλογές >>"},
    {"QPrintDialog", "&Options <<", "&Επιλογές <<"},
    {"QPrintDialog", "Print to File (PDF)", "Εκτύπωση σε αρχείο (PDF)"},
    {"QPrintDialog", "Print To File ...", "Εκτύπωση σε αρχείο..."},
    {"QPrintDialog", "Local file", "Τοπικό αρχείο"},
    {"QPrintDialog", "Write PDF file", "Εγγραφή αρχείου PDF"},
    {"QPrintDialog", "All Pages", "Όλες οι σελίδες"},
    {"QPrintDialog", "Odd Pages", "Μονές σελίδες"},
    {"QPrintDialog", "Even Pages", "Ζυγές σελίδες"},
    {"QPrintDialog", "Invalid Pages Definition", "Μη έγκυρες σελίδες"},
    {"QPrintDialog", "%1 is a directory.\nPlease choose a different file name.",
     "Το %1 είναι φάκελος.\nΕπιλέξτε άλλο όνομα αρχείου."},
    {"QPrintDialog", "File %1 is not writable.\nPlease choose a different file name.",
     "Στο αρχείο %1 δεν μπορεί να γραφτεί.\nΕπιλέξτε άλλο όνομα αρχείου."},
    {"QPrintDialog", "%1 already exists.\nDo you want to overwrite it?",
     "Το %1 υπάρχει ήδη.\nΘέλετε να το αντικαταστήσετε;"},
    {"QPrintWidget", "Printer", "Εκτυπωτής"},
    {"QPrintWidget", "&Name:", "Ό&νομα:"},
    {"QPrintWidget", "P&roperties", "Ι&διότητες"},
    {"QPrintWidget", "Location:", "Θέση:"},
    {"QPrintWidget", "Preview", "Προεπισκόπηση"},
    {"QPrintWidget", "Type:", "Τύπος:"},
    {"QPrintWidget", "Output &file:", "&Αρχείο εξόδου:"},
    {"QPrintSettingsOutput", "Copies", "Αντίγραφα"},
    {"QPrintSettingsOutput", "Copies:", "Αντίγραφα:"},
    {"QPrintSettingsOutput", "Print range", "Εύρος εκτύπωσης"},
    {"QPrintSettingsOutput", "Print all", "Όλες"},
    {"QPrintSettingsOutput", "Pages from", "Σελίδες από"},
    {"QPrintSettingsOutput", "to", "έως"},
    {"QPrintSettingsOutput", "Pages", "Σελίδες"},
    {"QPrintSettingsOutput", "Current Page", "Τρέχουσα σελίδα"},
    {"QPrintSettingsOutput", "Selection", "Επιλογή"},
    {"QPrintSettingsOutput", "Page Set:", "Σελίδες:"},
    {"QPrintSettingsOutput", "Output Settings", "Ρυθμίσεις εξόδου"},
    {"QPrintSettingsOutput", "Collate", "Συρραφή"},
    {"QPrintSettingsOutput", "Reverse", "Αντίστροφη σειρά"},
    {"QPrintSettingsOutput", "Options", "Επιλογές"},
    {"QPrintSettingsOutput", "Color Mode", "Χρώμα"},
    {"QPrintSettingsOutput", "Color", "Έγχρωμη"},
    {"QPrintSettingsOutput", "Grayscale", "Ασπρόμαυρη"},
    {"QPrintSettingsOutput", "Double Sided Printing", "Εκτύπωση δύο όψεων"},
    {"QPrintSettingsOutput", "Off", "Όχι"},
    {"QPrintSettingsOutput", "Long side binding", "Δέσιμο στη μεγάλη πλευρά"},
    {"QPrintSettingsOutput", "Short side binding", "Δέσιμο στη μικρή πλευρά"},
    {"QPrintSettingsOutput",
     "Specify pages or ranges separated by commas. Ranges are specified by two numbers "
     "separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
     "Σελίδες ή περιοχές σελίδων χωρισμένες με κόμματα· μια περιοχή γράφεται ως δύο αριθμοί "
     "με παύλα ανάμεσα. Π.χ. το 3,5-7,9 τυπώνει τις σελίδες 3, 5, 6, 7 και 9."},
    {"QPrintPropertiesDialog", "Printer Properties", "Ιδιότητες εκτυπωτή"},
    {"QPrintPropertiesDialog", "Job Options", "Επιλογές εργασίας"},
    {"QPrintPropertiesDialog", "Page Setup Conflicts", "Ασυμφωνία ρυθμίσεων σελίδας"},
    {"QPrintPropertiesDialog",
     "There are conflicts in page setup options. Do you want to fix them?",
     "Κάποιες ρυθμίσεις σελίδας δεν συμφωνούν μεταξύ τους. Θέλετε να τις διορθώσετε;"},
    {"QPrintPropertiesDialog", "Advanced Option Conflicts", "Ασυμφωνία προχωρημένων ρυθμίσεων"},
    {"QPrintPropertiesDialog",
     "There are conflicts in some advanced options. Do you want to fix them?",
     "Κάποιες προχωρημένες ρυθμίσεις δεν συμφωνούν μεταξύ τους. Θέλετε να τις διορθώσετε;"},
    {"QPrintPropertiesWidget", "Page", "Σελίδα"},
    {"QPrintPropertiesWidget", "Advanced", "Για προχωρημένους"},
    {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
     "Κάποιες ρυθμίσεις δεν συμφωνούν μεταξύ τους. Διορθώστε τις."},
    {"QPrintDialog", "There are conflicts in some options. Please fix them.",
     "Κάποιες ρυθμίσεις δεν συμφωνούν μεταξύ τους. Διορθώστε τις."},
    {"QPrintDialog", "Duplex Settings Conflicts", "Ασυμφωνία ρυθμίσεων δύο όψεων"},
    {"QPrintDialog", "There are conflicts in duplex settings. Do you want to fix them?",
     "Οι ρυθμίσεις εκτύπωσης δύο όψεων δεν συμφωνούν μεταξύ τους. Θέλετε να τις διορθώσετε;"},
    {"QPrintDialog",
     "Options 'Pages Per Sheet' and 'Page Set' cannot be used together.\nPlease turn one of "
     "those options off.",
     "Οι επιλογές «Σελίδες ανά φύλλο» και «Σελίδες» δεν συνδυάζονται.\nΑπενεργοποιήστε τη μία "
     "από τις δύο."},

    // The page tab of the printer's properties.
    {"QPageSetupWidget", "Paper", "Χαρτί"},
    {"QPageSetupWidget", "Page size:", "Μέγεθος σελίδας:"},
    {"QPageSetupWidget", "Width:", "Πλάτος:"},
    {"QPageSetupWidget", "Height:", "Ύψος:"},
    {"QPageSetupWidget", "Paper source:", "Τροφοδοσία χαρτιού:"},
    {"QPageSetupWidget", "Orientation", "Προσανατολισμός"},
    {"QPageSetupWidget", "Portrait", "Κατακόρυφος"},
    {"QPageSetupWidget", "Landscape", "Οριζόντιος"},
    {"QPageSetupWidget", "Reverse landscape", "Οριζόντιος ανεστραμμένος"},
    {"QPageSetupWidget", "Reverse portrait", "Κατακόρυφος ανεστραμμένος"},
    {"QPageSetupWidget", "Margins", "Περιθώρια"},
    {"QPageSetupWidget", "top margin", "πάνω περιθώριο"},
    {"QPageSetupWidget", "left margin", "αριστερό περιθώριο"},
    {"QPageSetupWidget", "right margin", "δεξί περιθώριο"},
    {"QPageSetupWidget", "bottom margin", "κάτω περιθώριο"},
    {"QPageSetupWidget", "Page Layout", "Διάταξη σελίδων"},
    {"QPageSetupWidget", "Page order:", "Σειρά σελίδων:"},
    {"QPageSetupWidget", "Pages per sheet:", "Σελίδες ανά φύλλο:"},
    {"QPageSetupWidget", "Custom", "Προσαρμοσμένο"},
    {"QPageSetupWidget", "Millimeters (mm)", "Χιλιοστά (mm)"},
    {"QPageSetupWidget", "Inches (in)", "Ίντσες (in)"},
    {"QPageSetupWidget", "Points (pt)", "Στιγμές (pt)"},
    {"QPageSetupWidget", "Pica (P̸)", "Πίκες (P̸)"},
    {"QPageSetupWidget", "Didot (DD)", "Ντιντό (DD)"},
    {"QPageSetupWidget", "Cicero (CC)", "Κικέρο (CC)"},
    {"QPrintDialog", "Left to Right, Top to Bottom", "Αριστερά προς δεξιά, πάνω προς κάτω"},
    {"QPrintDialog", "Left to Right, Bottom to Top", "Αριστερά προς δεξιά, κάτω προς πάνω"},
    {"QPrintDialog", "Right to Left, Bottom to Top", "Δεξιά προς αριστερά, κάτω προς πάνω"},
    {"QPrintDialog", "Right to Left, Top to Bottom", "Δεξιά προς αριστερά, πάνω προς κάτω"},
    {"QPrintDialog", "Bottom to Top, Left to Right", "Κάτω προς πάνω, αριστερά προς δεξιά"},
    {"QPrintDialog", "Bottom to Top, Right to Left", "Κάτω προς πάνω, δεξιά προς αριστερά"},
    {"QPrintDialog", "Top to Bottom, Left to Right", "Πάνω προς κάτω, αριστερά προς δεξιά"},
    {"QPrintDialog", "Top to Bottom, Right to Left", "Πάνω προς κάτω, δεξιά προς αριστερά"},

    // The job tab of a network or local printer's properties.
    {"QCupsJobWidget", "Job Control", "Έλεγχος εργασίας"},
    {"QCupsJobWidget", "Scheduled printing:", "Προγραμματισμένη εκτύπωση:"},
    {"QCupsJobWidget", "Billing information:", "Στοιχεία χρέωσης:"},
    {"QCupsJobWidget", "Job priority:", "Προτεραιότητα εργασίας:"},
    {"QCupsJobWidget", "Banner Pages", "Σελίδες ταυτότητας"},
    {"QCupsJobWidget", "Banner page at end", "Σελίδα ταυτότητας στο τέλος"},
    {"QCupsJobWidget", "End:", "Τέλος:"},
    {"QCupsJobWidget", "Banner page at start", "Σελίδα ταυτότητας στην αρχή"},
    {"QCupsJobWidget", "Start:", "Αρχή:"},
    {"QCupsJobWidget", "Print Immediately", "Εκτύπωση αμέσως"},
    {"QCupsJobWidget", "Hold Indefinitely", "Αναμονή επ' αόριστον"},
    {"QCupsJobWidget", "Day (06:00 to 17:59)", "Ημέρα (06:00 έως 17:59)"},
    {"QCupsJobWidget", "Night (18:00 to 05:59)", "Νύχτα (18:00 έως 05:59)"},
    {"QCupsJobWidget", "Second Shift (16:00 to 23:59)", "Δεύτερη βάρδια (16:00 έως 23:59)"},
    {"QCupsJobWidget", "Third Shift (00:00 to 07:59)", "Τρίτη βάρδια (00:00 έως 07:59)"},
    {"QCupsJobWidget", "Weekend (Saturday to Sunday)", "Σαββατοκύριακο (Σάββατο έως Κυριακή)"},
    {"QCupsJobWidget", "Specific Time", "Συγκεκριμένη ώρα"},
    {"QCupsJobWidget", "None", "Καμία"},
    {"QCupsJobWidget", "Standard", "Τυπική"},
    {"QCupsJobWidget", "Unclassified", "Αδιαβάθμητο"},
    {"QCupsJobWidget", "Confidential", "Εμπιστευτικό"},
    {"QCupsJobWidget", "Classified", "Διαβαθμισμένο"},
    {"QCupsJobWidget", "Secret", "Απόρρητο"},
    {"QCupsJobWidget", "Top Secret", "Άκρως απόρρητο"},

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
