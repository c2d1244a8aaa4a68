#include "operations/optiontexts.h"

QString OptionTexts::title(ReplaceOccurrence value)
{
    switch (value) {
    case ReplaceOccurrence::first:
        return tr("First");
    case ReplaceOccurrence::last:
        return tr("Last");
    case ReplaceOccurrence::all:
        break;
    }
    return tr("All");
}

QString OptionTexts::title(TrimType value)
{
    switch (value) {
    case TrimType::spaces:
        return tr("Spaces");
    case TrimType::customCharacters:
        return tr("Custom characters");
    case TrimType::characterCount:
        break;
    }
    return tr("First/last characters");
}

QString OptionTexts::title(TrimPosition value)
{
    switch (value) {
    case TrimPosition::leading:
        return tr("Leading");
    case TrimPosition::trailing:
        return tr("Trailing");
    case TrimPosition::both:
        break;
    }
    return tr("Both");
}

QString OptionTexts::title(SequenceLocation value)
{
    return value == SequenceLocation::before ? tr("Before name") : tr("After name");
}

QString OptionTexts::title(CaseType value)
{
    // Each title shows its own casing, as the stored value does.
    switch (value) {
    case CaseType::uppercase:
        return tr("UPPERCASE");
    case CaseType::lowercase:
        return tr("lowercase");
    case CaseType::titleCase:
        return tr("Title Case");
    case CaseType::camelCase:
        return tr("camelCase");
    case CaseType::snakeCase:
        break;
    }
    return tr("snake_case");
}

QString OptionTexts::title(FileInfoField value)
{
    switch (value) {
    case FileInfoField::dateTaken:
        return tr("Date Taken");
    case FileInfoField::dateModified:
        return tr("Date Modified");
    case FileInfoField::cameraModel:
        return tr("Camera Model");
    case FileInfoField::imageSize:
        return tr("Image Size");
    case FileInfoField::artist:
        return tr("Artist");
    case FileInfoField::album:
        return tr("Album");
    case FileInfoField::title:
        return tr("Title");
    case FileInfoField::trackNumber:
        return tr("Track Number");
    case FileInfoField::year:
        break;
    }
    return tr("Year");
}

QString OptionTexts::title(InfoPlacement value)
{
    // Short: three segments share the narrowest card; the caption "Where" reads with them.
    switch (value) {
    case InfoPlacement::before:
        return tr("Before");
    case InfoPlacement::after:
        return tr("After");
    case InfoPlacement::instead:
        break;
    }
    return tr("Instead");
}

QString OptionTexts::title(MissingInfo value)
{
    return value == MissingInfo::flagRow ? tr("Flag the file") : tr("Use date modified");
}

const QStringList &OptionTexts::datePresets()
{
    static const QStringList presets{QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyyMMdd"),
                                     QStringLiteral("yyyy-MM-dd HH.mm.ss"),
                                     QStringLiteral("dd.MM.yyyy")};
    return presets;
}
