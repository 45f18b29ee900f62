// verantu-make-manual: turns the Markdown source of the user manual into the
// PDF that the Help menu opens. It runs at build time, on Qt's offscreen
// platform, and refuses to write a manual whose Japanese text the chosen font
// cannot show: a PDF full of empty boxes is worse than a failed build.
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRawFont>
#include <QSet>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

namespace {

// Gothic faces that cover Japanese, the ones Debian's font packages install
// first. The first one present is used.
const QStringList kJapaneseFamilies = {
    QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
    QStringLiteral("TakaoPGothic"),
};

constexpr int kResolution = 300;  // dots per inch of the layout
constexpr qreal kBodyPointSize = 10.0;

int fail(const QString& message) {
  std::fprintf(stderr, "verantu-make-manual: %s\n", message.toUtf8().constData());
  return 1;
}

// The characters of `text` the font has no glyph for, at most a few.
QString missingCharacters(const QFont& font, const QString& text) {
  QRawFont raw = QRawFont::fromFont(font, QFontDatabase::Any);
  QString missing;
  QSet<char32_t> seen;
  for (char32_t c : text.toUcs4()) {
    if (c < 0x20 || c == 0x2028 || c == 0x2029 || seen.contains(c)) continue;
    seen.insert(c);
    if (!raw.supportsCharacter(c)) {
      missing += QString::fromUcs4(&c, 1);
      if (missing.size() >= 10) break;
    }
  }
  return missing;
}

// Markdown gives headings relative sizes only; the manual's headings are
// bold and set apart from the text before them.
void styleHeadings(QTextDocument& document) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    int level = block.blockFormat().headingLevel();
    if (level == 0) continue;
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setTopMargin(level == 1 ? 0 : 14);
    format.setBottomMargin(6);
    cursor.setBlockFormat(format);
    cursor.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat chars;
    chars.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(chars);
  }
}

// Tables get thin rules, room around the text and a shaded head row that
// starts every page the table runs onto.
void styleTables(QTextDocument& document) {
  for (QTextFrame* frame : document.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table) continue;
    QTextTableFormat format = table->format();
    format.setBorder(0.5);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(QColor(0x80, 0x80, 0x80));
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setHeaderRowCount(1);  // repeated on the next page
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    // The last column holds the explanations and gets the most room.
    if (table->columns() == 2)
      format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 32),
                                        QTextLength(QTextLength::PercentageLength, 68)});
    else if (table->columns() == 3)
      format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 16),
                                        QTextLength(QTextLength::PercentageLength, 30),
                                        QTextLength(QTextLength::PercentageLength, 54)});
    table->setFormat(format);
    for (int column = 0; column < table->columns(); ++column) {
      QTextTableCell cell = table->cellAt(0, column);
      QTextCharFormat head = cell.format();
      head.setBackground(QColor(0xe8, 0xe8, 0xe8));
      cell.setFormat(head);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing is shown; the offscreen platform is enough to lay out text.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: verantu-make-manual SOURCE.md OUTPUT.pdf\n");
    return 2;
  }

  QFile source(args.at(1));
  if (!source.open(QIODevice::ReadOnly))
    return fail(QStringLiteral("cannot read %1: %2").arg(args.at(1), source.errorString()));
  const QString markdown = QString::fromUtf8(source.readAll());

  QString family;
  const QStringList installed = QFontDatabase::families();
  for (const QString& candidate : kJapaneseFamilies) {
    if (installed.contains(candidate, Qt::CaseInsensitive)) {
      family = candidate;
      break;
    }
  }
  if (family.isEmpty())
    return fail(QStringLiteral("no Japanese font found (tried %1); install fonts-ipafont-gothic")
                    .arg(kJapaneseFamilies.join(QStringLiteral(", "))));
  QFont font(family);
  font.setPointSizeF(kBodyPointSize);

  QTextDocument document;
  document.setDefaultFont(font);
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  styleHeadings(document);
  styleTables(document);
  if (QString missing = missingCharacters(font, document.toPlainText()); !missing.isEmpty())
    return fail(QStringLiteral("the font %1 has no glyphs for \"%2\"").arg(family, missing));

  QPdfWriter writer(args.at(2));
  writer.setResolution(kResolution);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
  writer.setTitle(QStringLiteral("Verantu! ユーザーズマニュアル"));
  writer.setCreator(QStringLiteral("Verantu!"));

  // Without a page size of its own the document is laid out for the writer:
  // print() breaks it into pages with 2 cm margins inside the layout's
  // margins and numbers them.
  document.print(&writer);
  if (!QFile::exists(args.at(2))) return fail(QStringLiteral("could not write %1").arg(args.at(2)));
  return 0;
}
