#pragma once

#include <QString>
#include <QStringList>

namespace fw {

class TImagerList;
class TPortList;
struct TAttacher;

// What the attach window's identification fields show for the list's selection, and which
// controls work. Without exactly one selected entry the fields are empty and disabled.
struct TImagerFieldView {
    bool single = false; // also: "Delete" and "Rename" work
    bool attached = false;
    int kind = -1;
    QStringList interfaces; // ports taking the kind
    int interface_row = -1;
    QString ip_text;
    QString identifier_text;
    QString baud_text;
    bool ip_enabled = false;
    bool identifier_enabled = false;
    bool baud_enabled = false;
    bool setup_enabled = false;
    bool attach_enabled = false;
};

TImagerFieldView FieldViewOf(const TImagerList& list);

// The five fields as the window holds them.
struct TImagerFieldTexts {
    int kind = -1;
    QString port_name;
    QString ip_text;
    QString identifier_text;
    QString baud_text;
};

// The stored value the fields make.
QString FieldsValue(const TImagerFieldTexts& fields);

// An edit after its rules ran: the texts to put back into the fields.
struct TImagerFieldEdit {
    QString identifier_text;
    QString ip_text;
    bool ip_adjusted = false; // the window warns (IPAdjustedWarning)
};

// Runs the field rules on an edit and rebuilds the entry from the five fields: the identifier
// is capped, and the address is checked when its field is enabled.
TImagerFieldEdit ApplyFieldTexts(
    TAttacher& entry, const TImagerFieldTexts& fields, bool ip_enabled, const TPortList& ports);

// The "Imager ID" field has three digit places; three digits above 255 become "255".
QString CapImagerId(const QString& text);

struct TIPAddressCheck {
    QString address;
    bool valid = false;
};
// Blanks removed, four parts at "."; an empty part becomes 0 and a part above 255 becomes 255,
// either making the address invalid.
TIPAddressCheck CheckIPAddress(const QString& text);
QString IPAdjustedWarning(const QString& imager_name);

} // namespace fw
