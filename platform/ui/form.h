// A form as data: every control of a dialog template with its id, kind,
// dialog-unit rectangle, built-in caption and language-file key. Each form
// declares its ids once, by name, in an unscoped enum beside its table, so
// code says `Ids::HomeStart` and never a bare number. Qt-free, so the
// pages' logic classes and their tests can name controls too.
#pragma once

namespace korvan::platform {

enum class ControlKind
{
    Label,
    Group,
    Button,
    IconButton,
    Check,
    Radio,
    Edit,         ///< free text
    IntEdit,      ///< whole numbers only
    FloatEdit,    ///< free text read as a real
    ReadOnlyEdit, ///< shows text the user cannot change
    TextEdit,     ///< multi-line text
    DropDown,     ///< a list to pick from
    ComboEdit,    ///< a list with a text field of its own
    List,         ///< a report-style list or grid
    Tabs,         ///< a row of tab headers
    Slider,
    Lamp,   ///< a small picture showing an on/off state
    Custom, ///< made by the view itself; the builder only reserves its place
};

struct FormControl
{
    int id;
    ControlKind kind;
    int x, y, w, h;      ///< dialog units; a drop-down's height includes its open list
    const char* caption; ///< built-in caption, nullptr for none
    const char* key;     ///< language-file key of the form's section, nullptr for none
};

} // namespace korvan::platform
