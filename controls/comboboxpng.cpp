#include "controls/comboboxpng.h"

#include "classlib/widgets/controlproperties.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <charconv>
#include <string>

namespace {

constexpr int kTextGap = 5;
constexpr int kPictureLeft = 2;

// Paints the items of the drop-down list through the combo box's own item drawing.
class TItemPainter : public QAbstractItemDelegate {
public:
    explicit TItemPainter(TComboBoxPng& combo) : QAbstractItemDelegate(&combo), combo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setClipRect(option.rect);
        TCanvas canvas(*painter);
        combo_.PrepareItemCanvas(canvas, option.state.testFlag(QStyle::State_Selected));
        combo_.DrawItem(canvas, index.row(), option.rect);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), combo_.ItemHeight());
    }

private:
    TComboBoxPng& combo_;
};

// A whole decimal integer with an optional minus sign, or -1.
int DecimalOrMinusOne(const QString& text)
{
    const std::string digits = text.toStdString();
    int value = -1;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    return (error == std::errc() && stop == end) ? value : -1;
}

} // namespace

TComboBoxPng::TComboBoxPng(QWidget* parent) : TComboBox(parent)
{
    SetStyle(csOwnerDrawFixed);
    setItemDelegate(new TItemPainter(*this));
}

TComboBoxPng::~TComboBoxPng() = default;

void TComboBoxPng::fSetImages(TPngImageList* images)
{
    if (images_)
        images_->disconnect(this);
    images_ = images;
    if (images) {
        connect(images, &TCustomImageList::Change, this, qOverload<>(&QWidget::update));
        connect(images, &QObject::destroyed, this, qOverload<>(&QWidget::update));
    }
    update();
}

void TComboBoxPng::fSetListIndexesPng(const QStringList& indexes)
{
    listIndexesPng_ = indexes;
    update();
}

void TComboBoxPng::PrepareItemCanvas(TCanvas& canvas, bool selected) const
{
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = selected ? clHighlight : clWindow;
    const TColor text = !isEnabled() ? clGrayText : selected ? clHighlightText : TControlProperties::FontColor(this);
    canvas.Font = TFont::FromQFont(font(), text);
}

void TComboBoxPng::DrawItem(TCanvas& canvas, int index, const QRect& rect)
{
    canvas.FillRect(rect);
    const int y = rect.top() + (rect.height() - canvas.TextHeight("M")) / 2;
    const AnsiString text = AnsiString::FromUtf8(itemText(index).toStdString());
    if (!images_) {
        canvas.TextOut(rect.left() + kTextGap, y, text);
        return;
    }
    const int pictureTop = rect.top() + (rect.height() - images_->Height()) / 2;
    DrawPicture(canvas, ImageIndex(index),
                QRect(rect.left() + kPictureLeft, pictureTop, images_->Width(), images_->Height()));
    canvas.TextOut(rect.left() + images_->Width() + kTextGap, y, text);
}

int TComboBoxPng::ImageIndex(int item) const
{
    if (AutoIndexes)
        return item;
    if (item < 0 || item >= listIndexesPng_.size())
        return -1;
    return DecimalOrMinusOne(listIndexesPng_[item]);
}

void TComboBoxPng::DrawPicture(TCanvas& canvas, int imageIndex, const QRect& place) const
{
    if (imageIndex < 0 || imageIndex >= images_->Count())
        return;
    TPNGObject picture;
    CopyImageFromImageList(picture, *images_, imageIndex);
    const TPngOptions options =
        isEnabled() ? TPngOptions{} : TPngOptions{pngBlendOnDisabled, pngGrayscaleOnDisabled};
    DrawPNG(picture, canvas, place, options);
}

// The frame and button come from the style; the current item is drawn like an item of the list, in the
// selected colours while the box has the focus. A box of an editable style shows its typed text instead.
void TComboBoxPng::paintEvent(QPaintEvent* event)
{
    if (isEditable()) {
        TComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setClipRect(field);
    TCanvas canvas(painter);
    PrepareItemCanvas(canvas, hasFocus());
    DrawItem(canvas, currentIndex(), field);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = field;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
