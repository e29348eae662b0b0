// The "ID3 Tags" tab's "More fields": the named fields beyond the seven, each with its own
// "Enable Save" box, saved with the ID3v2 group.
#include "form1.h"

#include "qt_text.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>

namespace {

const QString kDifferent = QStringLiteral("(different values)");

// What a value must look like, for the field's hint.
QString ruleHint(FieldRule rule)
{
    switch (rule) {
    case FieldRule::Count: return QStringLiteral("A number, or \"n/total\" such as 1/2");
    case FieldRule::Number: return QStringLiteral("A whole number");
    case FieldRule::Flag: return QStringLiteral("1 for yes, 0 for no");
    case FieldRule::Stars: return QStringLiteral("0 to 5 stars");
    case FieldRule::Timestamp: return QStringLiteral("A date: 2001, 2001-05 or 2001-05-03");
    case FieldRule::Lines: return QStringLiteral("Several lines");
    case FieldRule::Text:
    case FieldRule::Seven: break;
    }
    return {};
}

QWidget* moreFieldWidget(const NamedField& field, QWidget* parent)
{
    const QString name = QStringLiteral("EditV2_") + QString::fromLatin1(field.name);
    if (field.rule == FieldRule::Lines) {
        auto* lines = named(new QPlainTextEdit(parent), name);
        lines->setTabChangesFocus(true);
        lines->setFixedHeight(lines->fontMetrics().lineSpacing() * 5 + 10);
        return lines;
    }
    return named(new QLineEdit(parent), name);
}

} // namespace

QWidget* TForm1::buildMoreFields(QWidget* parent)
{
    ScrollBoxMoreFields = named(new QScrollArea(parent), "ScrollBoxMoreFields");
    auto* page = new QWidget(ScrollBoxMoreFields);
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    // One caption over the boxes leaves the fields the width.
    grid->addWidget(boldLabel(QStringLiteral("Enable Save"), page), 0, 2, Qt::AlignCenter);
    int row = 1;
    for (const NamedField* field : moreFields()) {
        const QString caption = QString::fromLatin1(field->caption);
        QWidget* edit = moreFieldWidget(*field, page);
        edit->setToolTip(ruleHint(field->rule));
        auto* box = checkBox(QStringLiteral("CheckBoxV2_") + QString::fromLatin1(field->name), QString(), true, page);
        box->setToolTip(QStringLiteral("Enable Save (%1)").arg(caption));
        box->setAccessibleName(box->toolTip());
        const Qt::Alignment lines = field->rule == FieldRule::Lines ? Qt::AlignTop : Qt::AlignVCenter;
        grid->addWidget(bold(new QLabel(caption + QLatin1Char(':'), page)), row, 0, Qt::AlignLeft | lines);
        grid->addWidget(edit, row, 1);
        grid->addWidget(box, row++, 2, Qt::AlignHCenter | lines);
        FieldsMore.push_back(edit);
        CheckBoxMore.push_back(box);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    ScrollBoxMoreFields->setWidget(page);
    ScrollBoxMoreFields->setWidgetResizable(true);
    ScrollBoxMoreFields->setFrameShape(QFrame::NoFrame);
    return ScrollBoxMoreFields;
}

void TForm1::wireMoreFields()
{
    for (std::size_t i = 0; i < FieldsMore.size(); ++i) {
        QCheckBox* box = CheckBoxMore[i];
        if (auto* edit = qobject_cast<QLineEdit*>(FieldsMore[i]))
            wire(edit, &QLineEdit::textEdited, [this, box] { FieldEdited(box); });
        else if (auto* lines = qobject_cast<QPlainTextEdit*>(FieldsMore[i]))
            // Filling the field leaves the document unmodified; only typing changes that.
            wire(lines->document(), &QTextDocument::modificationChanged, [this, box, lines] {
                if (!m_fillingMore && lines->document()->isModified())
                    FieldEdited(box);
            });
    }
}

void TForm1::FieldEdited(QCheckBox* box)
{
    if (box->isEnabled())
        box->setChecked(true);
}

void TForm1::ShowMoreFields(const std::vector<Utf8Text>& texts, const std::vector<bool>& differs)
{
    // Replacing a document's text marks it modified for a moment.
    m_fillingMore = true;
    for (std::size_t i = 0; i < FieldsMore.size(); ++i) {
        const QString text = i < texts.size() ? toQString(texts[i]) : QString();
        const QString placeholder = i < differs.size() && differs[i] ? kDifferent : QString();
        if (auto* edit = qobject_cast<QLineEdit*>(FieldsMore[i])) {
            edit->setText(text);
            edit->setPlaceholderText(placeholder);
            edit->setModified(false);
        } else if (auto* lines = qobject_cast<QPlainTextEdit*>(FieldsMore[i])) {
            lines->setPlainText(text);
            lines->setPlaceholderText(placeholder);
            lines->document()->setModified(false);
        }
    }
    m_fillingMore = false;
}

void TForm1::ShowDiffers(const SelectionDiffers& differs)
{
    // The short track field says it in fewer letters.
    const auto marker = [](std::size_t i) {
        return i == fieldIndex(TagField::Track) ? QStringLiteral("(various)") : kDifferent;
    };
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (differs.v2[i])
            FieldsV2[i]->setPlaceholderText(marker(i));
        if (auto* edit = qobject_cast<QLineEdit*>(FieldsV1[i]))
            edit->setPlaceholderText(differs.v1[i] ? marker(i) : QString());
    }
    ComboBoxGenre->lineEdit()->setPlaceholderText(differs.genre ? kDifferent : QString());
}
