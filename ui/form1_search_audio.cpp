// The "Search" tab's audio criteria: ranges of duration and bitrate.
#include "form1.h"

#include "features/search/audio_criteria.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <utility>

namespace {

QLineEdit* boundEdit(const char* name, QWidget* parent)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setPlaceholderText(QStringLiteral("any"));
    return edit;
}

} // namespace

QWidget* TForm1::buildAudioCriteria(QWidget* parent)
{
    auto* line = named(new QWidget(parent), "AudioCriteria");
    line->setToolTip(QStringLiteral("Found files lie within these ranges; with no text criterion, every file within them is found"));
    EditMinDuration = boundEdit("EditMinDuration", line);
    EditMaxDuration = boundEdit("EditMaxDuration", line);
    EditMinBitrate = boundEdit("EditMinBitrate", line);
    EditMaxBitrate = boundEdit("EditMaxBitrate", line);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, std::pair<QLineEdit*, QLineEdit*>> bounds[] = {
        {"Seconds:", {EditMinDuration, EditMaxDuration}}, {"kbit/s:", {EditMinBitrate, EditMaxBitrate}}};
    for (const auto& [caption, edits] : bounds) {
        row->addWidget(new QLabel(QString::fromLatin1(caption), line));
        row->addWidget(edits.first, 1);
        row->addWidget(new QLabel(QStringLiteral("-"), line));
        row->addWidget(edits.second, 1);
    }
    return line;
}

bool TForm1::audioCriteriaFromControls(AudioCriteria& audio)
{
    const std::pair<QLineEdit*, std::optional<double>*> bounds[] = {{EditMinDuration, &audio.minDuration},
                                                                    {EditMaxDuration, &audio.maxDuration},
                                                                    {EditMinBitrate, &audio.minBitrate},
                                                                    {EditMaxBitrate, &audio.maxBitrate}};
    for (const auto& [edit, bound] : bounds) {
        if (!parseAudioBound(toUtf8(edit->text()), *bound)) {
            m_dialogs.error("'" + toUtf8(edit->text()) + "' is no number of seconds or kbit/s: nothing was searched.");
            edit->setFocus();
            return false;
        }
    }
    return true;
}
