#include "failuretext.h"

#include <QCoreApplication>

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(FailureText)
};

// Every code is named, so that a new one is not left to the general reason.
QString reasonOf(WriteFailure::Code code)
{
    switch (code) {
    case WriteFailure::DanglingLink: return Text::tr("Είναι σύνδεσμος προς αρχείο που δεν υπάρχει");
    case WriteFailure::Folder: return Text::tr("Είναι φάκελος, όχι αρχείο");
    case WriteFailure::SpecialFile: return Text::tr("Δεν είναι κανονικό αρχείο");
    case WriteFailure::CannotCreate:
        return Text::tr("Το αρχείο δεν μπορεί να δημιουργηθεί σε αυτόν τον φάκελο");
    case WriteFailure::ReadOnly:
        return Text::tr("Το αρχείο επιτρέπει μόνο ανάγνωση και δεν αντικαθίσταται");
    case WriteFailure::WriteFailed:
        return Text::tr("Η εγγραφή του αρχείου απέτυχε (ίσως γέμισε ο δίσκος)");
    case WriteFailure::NotWritten:
        return Text::tr("Το περιεχόμενο του αρχείου δεν μπόρεσε να γραφτεί");
    case WriteFailure::CannotReplace:
        return Text::tr("Το νέο αρχείο δεν μπόρεσε να πάρει τη θέση του παλιού");
    case WriteFailure::NotAPlainFile:
        return Text::tr("Στη θέση του αρχείου υπάρχει φάκελος ή ειδικό αρχείο, που δεν "
                        "αντικαθίσταται.");
    case WriteFailure::NoCopy:
        return Text::tr("Το αρχείο περιέχει στοιχεία που η λίστα δεν διάβασε και δεν ήταν "
                        "δυνατό να κρατηθεί αντίγραφό του· για να μη χαθούν, δεν "
                        "αντικαθίσταται.");
    case WriteFailure::StillReading: return Text::tr("Η λίστα διαβάζεται ακόμη από το αρχείο.");
    case WriteFailure::StillWriting: return Text::tr("Η λίστα γράφεται ακόμη στο αρχείο.");
    case WriteFailure::None:
    case WriteFailure::NotExamined:
    case WriteFailure::Other: break;
    }
    return Text::tr("Το αρχείο δεν μπορεί να γραφτεί");
}

} // namespace

QString failureText(const WriteFailure &failure)
{
    const QString why = reasonOf(failure.code);
    return failure.detail.isEmpty() ? why : why + QStringLiteral(": ") + failure.detail;
}
