// Components that exist only for the window description tests: a form with handlers, a control that paints
// its caption in its colours, a non-visual list with a collection and a PNG picture, and a plain panel.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/filer.h"
#include "classlib/base/tcolor.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

class TTestList;

class TTestForm : public QWidget {
    Q_OBJECT

public:
    explicit TTestForm(QWidget* parent = nullptr) : QWidget(parent) {}

    std::vector<std::string> calls;

public slots:
    void ButtonClick(QObject* Sender);
    void ButtonChange();
    void FormActivate(QObject* Sender);

signals:
    void OnActivate(QObject* Sender);
};

// An unaligned control that counts how often arranging asks for its alignment.
class TAlignProbe : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Align READ Align)

public:
    explicit TAlignProbe(QWidget* parent = nullptr) : QWidget(parent) {}

    int Align() const { return ++asked, 0; }

    mutable int asked = 0;
};

class TTestPanel : public QWidget {
    Q_OBJECT

public:
    explicit TTestPanel(QWidget* parent = nullptr) : QWidget(parent) {}
};

class TTestButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TButtonOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(unsigned char Level READ Level WRITE SetLevel)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(QByteArray Blob READ Blob WRITE SetBlob)
    Q_PROPERTY(TTestList* Images READ Images WRITE SetImages)
    Q_PROPERTY(bool Pressed READ Pressed)

public:
    // A fixed underlying type, so that a value without a name can be held (the writer must refuse it).
    enum TAlignment : int { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TButtonOption { boFlat = 1, boRound = 2, boShadow = 4 };
    Q_DECLARE_FLAGS(TButtonOptions, TButtonOption)
    Q_FLAG(TButtonOptions)

    explicit TTestButton(QWidget* parent = nullptr);

    AnsiString Caption() const { return caption_; }
    void SetCaption(AnsiString value) { caption_ = std::move(value); update(); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { alignment_ = value; update(); }
    TButtonOptions Options() const { return options_; }
    void SetOptions(TButtonOptions value) { options_ = value; update(); }
    unsigned char Level() const { return level_; }
    void SetLevel(unsigned char value) { level_ = value; order.push_back("Level"); }
    int Margin() const { return margin_; }
    void SetMargin(int value) { margin_ = value; order.push_back("Margin"); update(); }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value) { borderColor_ = value; update(); }
    double Ratio() const { return ratio_; }
    void SetRatio(double value) { ratio_ = value; }
    QStringList Lines() const { return lines_; }
    void SetLines(const QStringList& value) { lines_ = value; }
    QByteArray Blob() const { return blob_; }
    void SetBlob(const QByteArray& value) { blob_ = value; }
    TTestList* Images() const { return images_; }
    void SetImages(TTestList* value) { images_ = value; }
    bool Pressed() const { return false; }

    std::vector<std::string> order; // names of the setters of Margin and Level, as they were called

signals:
    void OnClick(QObject* Sender);
    void OnChange();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    AnsiString caption_ = "Button";
    TAlignment alignment_ = taCenter;
    TButtonOptions options_ = boFlat;
    unsigned char level_ = 0;
    int margin_ = 4;
    TColor borderColor_ = clBlack;
    double ratio_ = 1.0;
    QStringList lines_;
    QByteArray blob_;
    TTestList* images_ = nullptr;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TTestButton::TButtonOptions)

// Entries = < item Name = '…' Value = n end … >, and Picture.Data = { complete PNG file }.
class TTestList : public QObject, public TDefinesProperties {
    Q_OBJECT

public:
    explicit TTestList(QObject* owner = nullptr) : QObject(owner) {}

    struct TEntry {
        QString name;
        std::int64_t value = 0;
    };
    std::vector<TEntry> entries;
    QImage picture;
    QByteArray pictureData;

    void DefineProperties(TFiler& filer) override;

private:
    void ReadEntries(const TFormValue& value);
    TFormValue WriteEntries() const;
    void ReadPicture(const TFormValue& value);
};

// Registers the classes above under their names.
void RegisterTestComponents();
// A small PNG file of a red and a half-transparent blue pixel.
QByteArray TestPng();
