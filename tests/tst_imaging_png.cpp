#include "tests/testsupport/CoreSupport.h"
#include "core/imaging/PngReader.h"
#include "core/imaging/PngWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

namespace {

QImage AlphaNoise(int width, int height)
{
    return NoiseImage(width, height, QImage::Format_ARGB32, 7, true);
}

QByteArray ToolkitPng(const QImage& image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG", quality) ? data : QByteArray();
}

QByteArray FastPng(const QImage& image, int quality)
{
    QByteArray data;
    return PngWriter::Encode(image, quality, data) ? data : QByteArray();
}

QByteArray Chunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray chunk(4, 0), crc(4, 0);
    qToBigEndian(quint32(data.size()), chunk.data());
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc.data());
    return chunk + body + crc;
}

// A file not checked in any way: it says what the header, stream and chunks
// given say, with correct CRCs.
QByteArray HandMadePng(quint32 width, quint32 height, const QByteArray& stream, char colorType = 2,
                       const QByteArray& before = QByteArray(), char interlace = 0,
                       const QByteArray& after = QByteArray(), char depth = 8)
{
    QByteArray header(13, 0);
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = depth;
    header[9] = colorType;
    header[12] = interlace;
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header) + before + Chunk("IDAT", stream) + after
        + Chunk("IEND", QByteArray());
}

// zlib stream of rows of varied bytes, each row led by the filter type;
// filter -1 takes the five types in turn.
QByteArray Rows(int rowBytes, int rows, char filter = 1)
{
    QByteArray raw;
    for (int i = 0; i < rows * (rowBytes + 1); ++i)
        raw += i % (rowBytes + 1) ? char(quint32(i) * 2654435761u >> 24)
            : filter < 0          ? char(i / (rowBytes + 1) % 5)
                                  : filter;
    return qCompress(raw).mid(4); // without the toolkit's length prefix
}

// FLEVEL of the zlib stream, from the header at the start of the first IDAT
// chunk: 0 for levels 0-1, 1 for 2-5, 2 for 6, 3 for 7-9.
int FLevel(const QByteArray& png)
{
    const int at = png.indexOf("IDAT");
    return at < 0 || at + 5 >= png.size() ? -1 : quint8(png[at + 5]) >> 6;
}

// The zlib stream of a file: its IDAT chunks' data, in order.
QByteArray Idat(const QByteArray& png)
{
    QByteArray stream;
    for (int at = 8, length = 0; at + 12 <= png.size(); at += 12 + length) {
        length = qFromBigEndian<qint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == "IDAT")
            stream += png.mid(at + 8, length);
    }
    return stream;
}

// A zlib stream of zero bytes in dynamic blocks, one for each pair of
// literal/length and distance code counts its header declares; only the
// literal 0 and the end of a block have codes, and the last block holds all
// the bytes.
QByteArray ZeroBlocks(int bytes, const QVector<QPair<int, int>>& counts)
{
    QByteArray stream("\x78\x01", 2);
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](quint32 value, int n) {
        for (bits |= value << count, count += n; count >= 8; bits >>= 8, count -= 8)
            stream += char(bits);
    };
    for (int block = 0; block < counts.size(); ++block) {
        const auto [literals, distances] = counts[block];
        put((block + 1 == counts.size()) | 2 << 1 | (literals - 257) << 3 | (distances - 1) << 8 | (18 - 4) << 13, 17);
        for (int i = 0; i < 18; ++i) // one bit for the length 1 (code 0) and for runs of zeros (code 1)
            put(i == 2 || i == 17, 3);
        put(0, 1); // the literal 0, then 255 zeros, the end of block, and zeros
        put(1 | (138 - 11) << 1, 8);
        put(1 | (117 - 11) << 1, 8);
        put(0, 1);
        put(1 | (literals - 257 + distances - 11) << 1, 8);
        for (int i = block + 1 == counts.size() ? bytes : 0; i > 0; --i)
            put(0, 1);
        put(1, 1);
    }
    put(0, 7);
    stream.resize(stream.size() + 4);
    qToBigEndian(quint32(bytes % 65521) << 16 | 1, stream.data() + stream.size() - 4); // Adler-32 of zeros
    return stream;
}

// A zlib stream of zero bytes in one fixed block: a literal 0, copies of 258
// bytes at distance 1, and a last copy of 258 at the distance code given
// (with zero extra bits), which must reach no further back than the bytes
// before it.
QByteArray FixedZeros(int copies, int distanceCode)
{
    QByteArray stream("\x78\x01", 2);
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](quint32 code, int n) { // a code, its first bit the highest
        for (int i = n - 1; i >= 0; --i, ++count)
            bits |= ((code >> i) & 1) << count;
        for (; count >= 8; bits >>= 8, count -= 8)
            stream += char(bits);
    };
    put(6, 3); // last block, fixed codes (its type's bits read lowest first)
    put(0x30, 8);       // the literal 0
    for (int i = 0; i <= copies; ++i) {
        put(0xc5, 8); // length 258
        put(i < copies ? 0 : quint32(distanceCode), 5);
        put(0, i < copies ? 0 : 14 - (distanceCode < 30)); // zero extra bits
    }
    put(0, 7 + 7); // the end of the block, then the rest of the byte
    const int bytes = 1 + (copies + 1) * 258;
    stream.resize(stream.size() + 4);
    qToBigEndian(quint32(bytes % 65521) << 16 | 1, stream.data() + stream.size() - 4);
    return stream;
}

// A grey picture of zero rows compressed as far as zlib goes: a few
// megabytes that stand for a far larger image.
QByteArray ZeroRowsPng(quint32 width, quint32 height)
{
    const QByteArray row(int(width) + 1, 0);
    QByteArray stream(int(qint64(row.size()) * height / 1000) + 4096, 0);
    z_stream z{};
    deflateInit(&z, 9);
    z.next_out = reinterpret_cast<Bytef*>(stream.data());
    z.avail_out = uInt(stream.size());
    for (quint32 y = 0; y < height; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
        z.avail_in = uInt(row.size());
        deflate(&z, y + 1 < height ? Z_NO_FLUSH : Z_FINISH);
    }
    stream.resize(int(z.total_out));
    deflateEnd(&z);
    return HandMadePng(width, height, stream, 0);
}

} // namespace

class TestImagingPng : public QObject
{
    Q_OBJECT
private slots:
    // zlib level (100 - quality) * 9 / 91: the flat rows sit on both sides
    // of every step the stream header shows.
    void writerGivesWhatTheToolkitWrites_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("flevel");
        QTest::newRow("alpha 100") << AlphaNoise(37, 23) << 100 << 0;
        QTest::newRow("alpha 50") << AlphaNoise(37, 23) << 50 << 1;
        QTest::newRow("wide alpha 100") << AlphaNoise(1920, 4) << 100 << 0;
        QTest::newRow("stored blocks ending inside rows") << AlphaNoise(1920, 40) << 100 << 0;
        QTest::newRow("opaque 100") << NoiseImage(64, 17, QImage::Format_RGB32) << 100 << 0;
        QTest::newRow("opaque 50") << NoiseImage(64, 17, QImage::Format_RGB32) << 50 << 1;
        QTest::newRow("other format 75") << NoiseImage(9, 9, QImage::Format_RGB888) << 75 << 1;
        // Smooth, so that the level shows in the size.
        const QImage smooth = AlphaNoise(40, 30).scaled(400, 300, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QTest::newRow("smooth 75") << smooth << 75 << 1;
        QTest::newRow("smooth 50") << smooth << 50 << 1;
        QImage flat(200, 120, QImage::Format_ARGB32);
        flat.fill(Qt::darkCyan);
        const int steps[][2] = {{100, 0}, {80, 0}, {79, 1}, {40, 1}, {39, 2}, {30, 2}, {29, 3}, {-1, 2}};
        for (const auto& step : steps)
            QTest::addRow("flat %d", step[0]) << flat << step[0] << step[1];
    }
    void writerGivesWhatTheToolkitWrites()
    {
        QFETCH(QImage, image);
        QFETCH(int, quality);
        QFETCH(int, flevel);
        const QByteArray ours = FastPng(image, quality);
        const QImage fast = QImage::fromData(ours, "PNG");
        const QImage toolkit = QImage::fromData(ToolkitPng(image, quality), "PNG");
        QVERIFY(!fast.isNull());
        QCOMPARE(fast.format(), toolkit.format());
        QCOMPARE(fast.dotsPerMeterX(), toolkit.dotsPerMeterX());
        COMPARE_IMAGES(fast, toolkit);
        COMPARE_IMAGES(fast, image);
        QCOMPARE(FLevel(ours), flevel);
        QCOMPARE(FLevel(ToolkitPng(image, quality)), flevel);
        if (quality == 100) // level 0 stores the rows: not even a flat image shrinks
            QVERIFY(ours.size() > image.width() * image.height() * 3);
        // At most 5% larger than zlib makes the same rows at the same level.
        const QByteArray zlib = qCompress(qUncompress(QByteArray(4, 0) + Idat(ours)),
                                          PngWriter::CompressionLevel(quality));
        QVERIFY2(Idat(ours).size() <= (zlib.size() - 4) * 1.05, qPrintable(QString::number(zlib.size() - 4)));
    }

    void readerGivesWhatTheToolkitReads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("fast");
        const QImage rgb = NoiseImage(97, 31, QImage::Format_RGB32, 3);
        QTest::newRow("toolkit rgb 100") << ToolkitPng(rgb, 100) << true;
        QTest::newRow("toolkit default, large") << ToolkitPng(AlphaNoise(1500, 700), -1) << true;
        QTest::newRow("ours, several chunks") << FastPng(AlphaNoise(300, 300), 100) << true;
        for (char filter = 0; filter <= 4; ++filter) {
            QTest::addRow("filter %d, rgb, narrow", filter) << HandMadePng(3, 9, Rows(3 * 3, 9, filter)) << true;
            QTest::addRow("filter %d, alpha", filter) << HandMadePng(61, 9, Rows(4 * 61, 9, filter), 6) << true;
        }
        // Large enough to be worked on by more than one thread.
        QTest::newRow("all filters, rgb, large") << HandMadePng(1100, 1000, Rows(3 * 1100, 1000, -1)) << true;
        QTest::newRow("all filters, alpha, large") << HandMadePng(1100, 1000, Rows(4 * 1100, 1000, -1), 6) << true;
        const QByteArray physMetres = Chunk("pHYs", QByteArray::fromHex("000004d20000162e01"));
        QTest::newRow("pHYs in metres") << HandMadePng(5, 4, Rows(15, 4), 2, physMetres) << true;
        const QByteArray physUnknown = Chunk("pHYs", QByteArray::fromHex("000004d20000162e00"));
        QTest::newRow("pHYs, unknown unit") << HandMadePng(5, 4, Rows(15, 4), 2, physUnknown) << true;
        QTest::newRow("widest") << HandMadePng(1000000, 1, Rows(3000000, 1)) << true;
        // Stored deflate blocks, as at quality 100, on each of the reader's paths.
        const QImage megapixel = AlphaNoise(1100, 1000);
        QTest::newRow("stored, one thread") << ToolkitPng(megapixel.copy(0, 0, 1000, 1000), 100) << true;
        const QByteArray stored = ToolkitPng(megapixel, 100);
        QTest::newRow("stored, helper thread") << stored << true;
        QTest::newRow("stored, toolkit") << stored.left(33) + Chunk("quIl", "x") + stored.mid(33) << false;
        QTest::newRow("286 and 30 codes") << HandMadePng(4, 3, ZeroBlocks(39, {{286, 30}})) << true;
        QTest::newRow("287 and 30 codes") << HandMadePng(4, 3, ZeroBlocks(39, {{287, 30}})) << false;
        QTest::newRow("288 and 30 codes") << HandMadePng(4, 3, ZeroBlocks(39, {{288, 30}})) << false;
        QTest::newRow("286 and 31 codes") << HandMadePng(4, 3, ZeroBlocks(39, {{286, 31}})) << false;
        QTest::newRow("286 and 32 codes, second block")
            << HandMadePng(4, 3, ZeroBlocks(39, {{286, 30}, {286, 32}})) << false;

        QTest::newRow("interlaced") << HandMadePng(1, 1, Rows(3, 1), 2, QByteArray(), 1) << false;
        for (const auto format : {QImage::Format_Indexed8, QImage::Format_Grayscale8, QImage::Format_Grayscale16,
                                  QImage::Format_RGBA64, QImage::Format_RGBX64})
            QTest::addRow("toolkit, format %d", format) << ToolkitPng(rgb.convertToFormat(format), -1) << true;
        for (const char* name : {"rgb", "rgb16", "palette", "grey", "grey-alpha"}) {
            QFile magick(QFINDTESTDATA(QString("data/magick-%1.png").arg(name)));
            QTest::addRow("ImageMagick, %s", name) << (magick.open(QIODevice::ReadOnly) ? magick.readAll() : "") << true;
        }
        // Every kind, all filters; the toolkit gives sub-byte depths, palette
        // indices past the palette and most tRNS other formats.
        QByteArray colours;
        for (int i = 0; i < 768; ++i)
            colours += char(i * 37 % 251);
        const QByteArray palette = Chunk("PLTE", colours) + Chunk("tRNS", colours.left(100))
            + Chunk("hIST", colours.left(512));
        const struct
        {
            const char* name;
            char type, depth, bytes;
            QByteArray chunks;
            bool fast;
        } kinds[] = {{"grey", 0, 8, 1, {}, true},
                     {"grey, tRNS", 0, 8, 1, Chunk("tRNS", QByteArray("\0\x07", 2)), true},
                     {"grey 16", 0, 16, 2, {}, true},
                     {"grey 16, tRNS", 0, 16, 2, Chunk("tRNS", QByteArray("\0\x07", 2)), false},
                     {"grey 4", 0, 4, 1, {}, false},
                     {"grey and alpha", 4, 8, 2, {}, true},
                     {"grey and alpha 16", 4, 16, 4, {}, true},
                     {"rgb 16", 2, 16, 6, {}, true},
                     {"rgb, tRNS", 2, 8, 3, Chunk("tRNS", QByteArray(6, 9)), false},
                     {"rgba 16", 6, 16, 8, {}, true},
                     {"palette, tRNS, hIST", 3, 8, 1, palette, true},
                     {"palette of 200", 3, 8, 1, Chunk("PLTE", colours.left(600)), false}};
        for (const auto& kind : kinds)
            QTest::newRow(kind.name) << HandMadePng(61, 9, Rows(61 * kind.bytes, 9, -1), kind.type, kind.chunks, 0,
                                                    QByteArray(), kind.depth)
                                     << kind.fast;
        QTest::newRow("grey and alpha 16, large")
            << HandMadePng(1100, 1000, Rows(4 * 1100, 1000, -1), 4, QByteArray(), 0, QByteArray(), 16) << true;
        const QByteArray described = Chunk("gAMA", QByteArray::fromHex("0000b18f"))
            + Chunk("cHRM", QByteArray::fromHex("00007a26000080840000fa00000080e8000075300000ea6000003a9800001770"))
            + Chunk("sRGB", QByteArray(1, 0)) + Chunk("sBIT", "\5\6\5") + Chunk("bKGD", QByteArray(6, 1))
            + Chunk("sPLT", QByteArray("dull\0\x08\1\2\3\4\0\5", 12)) + Chunk("tIME", "\x07\xea\x0c\x07\3\n+")
            + Chunk("eXIf", QByteArray::fromHex("4d4d002a00000008000100fe0004000000010000000000000000"));
        QTest::newRow("every chunk") << HandMadePng(5, 4, Rows(15, 4), 2, described, 0, Chunk("tIME", "\x07\xea\x0c\x07\3\n,"))
                                     << true;
        // A fixed block's distance codes 30 and 31: zlib refuses them.
        QTest::newRow("distance code 29") << HandMadePng(400, 83, FixedZeros(128, 29), 0) << true;
        QTest::newRow("distance code 30") << HandMadePng(400, 83, FixedZeros(128, 30), 0) << false;
        QTest::newRow("text") << HandMadePng(5, 4, Rows(15, 4), 2, Chunk("tEXt", QByteArray("Author\0me", 9))) << true;
        const QByteArray noKey = Chunk("tEXt", QByteArray("\0no  key", 8)) + Chunk("tEXt", QByteArray("Author\0me", 9));
        QTest::newRow("text without keyword") << HandMadePng(5, 4, Rows(15, 4), 2, noKey) << false;
        QImage tagged = AlphaNoise(50, 20);
        tagged.setColorSpace(QColorSpace::DisplayP3);
        tagged.setText("Title", QString::fromUtf8("Lac L\u00e9man \u2603"));
        tagged.setText("Comment", QString(300, 'c'));
        QTest::newRow("ICC profile, texts") << ToolkitPng(tagged, -1) << true;
        tagged = tagged.convertToFormat(QImage::Format_RGB32);
        tagged.setColorSpace(QColorSpace::AdobeRgb);
        QTest::newRow("ICC profile, rgb") << ToolkitPng(tagged, 100) << true;
        const QByteArray late = Chunk("zTXt", QByteArray("Note\0\0", 6) + qCompress("packed").mid(4))
            + Chunk("iTXt", QByteArray("Title\0\0\0\0\0", 10) + QString::fromUtf8("\u2603").toUtf8());
        QTest::newRow("texts after the data") << HandMadePng(5, 4, Rows(15, 4), 2, QByteArray(), 0, late) << true;

        // Damaged files: the fast path leaves every one to the toolkit.
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("1 x 2147483647") << HandMadePng(1, 2147483647u, Rows(3, 2)) << false;
        QTest::newRow("67108863 x 1") << HandMadePng(67108863, 1, Rows(12, 1)) << false;
        QTest::newRow("1000001 x 1") << HandMadePng(1000001, 1, Rows(3000003, 1)) << false;
        QTest::newRow("too little data") << HandMadePng(5, 4, Rows(15, 3)) << false;
        QTest::newRow("too much data") << HandMadePng(5, 4, Rows(15, 5)) << false;
        QTest::newRow("wrong filter byte") << HandMadePng(5, 4, Rows(15, 4, 5)) << false;
        QTest::newRow("wrong filter byte, large") << HandMadePng(1100, 1000, Rows(4 * 1100, 1000, 5), 6) << false;
        QTest::newRow("30000 x 30000 from a few bytes") << HandMadePng(30000, 30000, Rows(15, 4)) << false;
        QTest::newRow("bad zlib header") << HandMadePng(5, 4, "\x79" + Rows(15, 4).mid(1)) << false;
        QTest::newRow("zlib stream cut") << HandMadePng(5, 4, Rows(15, 4).chopped(4)) << false;
        QTest::newRow("checksum one byte short") << HandMadePng(5, 4, Rows(15, 4).chopped(1)) << false;
        QByteArray badSum = Rows(15, 4);
        badSum[badSum.size() - 1] = char(badSum[badSum.size() - 1] ^ 1);
        QTest::newRow("wrong checksum") << HandMadePng(5, 4, badSum) << false;
        badSum = Rows(4 * 1100, 1000, -1);
        badSum[badSum.size() - 1] = char(badSum[badSum.size() - 1] ^ 1);
        QTest::newRow("wrong checksum, large") << HandMadePng(1100, 1000, badSum, 6) << false;
        const QByteArray whole = ToolkitPng(rgb, 100);
        QTest::newRow("one byte short") << whole.chopped(1) << false;
        QTest::newRow("no IEND") << whole.chopped(12) << false;
        QTest::newRow("half") << whole.left(whole.size() / 2) << false;
        QByteArray badCrc = whole;
        badCrc[whole.size() - 13] = char(badCrc[whole.size() - 13] ^ 1); // in the last IDAT's CRC
        QTest::newRow("bad CRC") << badCrc << false;
    }
    void readerGivesWhatTheToolkitReads()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, fast);
        QTemporaryDir dir;
        QFile source(dir.filePath("source.png"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(file) == file.size() && source.flush());
        bool wasFast = !fast;
        const QImage loaded = PngReader::Load(source.fileName(), &wasFast);
        const QImage expected(source.fileName());
        QCOMPARE(wasFast, fast);
        QCOMPARE(loaded.isNull(), expected.isNull());
        QCOMPARE(loaded.format(), expected.format());
        QCOMPARE(loaded.dotsPerMeterX(), expected.dotsPerMeterX());
        QCOMPARE(loaded.dotsPerMeterY(), expected.dotsPerMeterY());
        QCOMPARE(loaded.textKeys(), expected.textKeys());
        QCOMPARE(loaded.text(), expected.text()); // every key with its value
        QCOMPARE(loaded.colorSpace().iccProfile(), expected.colorSpace().iccProfile());
        COMPARE_IMAGES(loaded, expected);
    }

    // Refused from the header, before any buffer is made for the image.
    void readerRefusesPicturesLargerThanItTakes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("size");
        QTest::newRow("30000 x 30000 of zero rows") << ZeroRowsPng(30000, 30000) << "30000 x 30000";
        const QByteArray rows = FastPng(AlphaNoise(2000, 1500), 90);
        QByteArray header = rows.mid(16, 13);
        qToBigEndian(quint32(1000000), header.data() + 4);
        QTest::newRow("2000 x 1500 rows said to be 1000000")
            << rows.left(8) + Chunk("IHDR", header) + rows.mid(33) << "2000 x 1000000";
    }
    void readerRefusesPicturesLargerThanItTakes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, size);
        QTemporaryDir dir;
        QFile source(dir.filePath("large.png"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(file) == file.size() && source.flush());
        QString problem;
        QVERIFY(PngReader::Load(source.fileName(), nullptr, &problem).isNull());
        QVERIFY2(problem.contains(size), qPrintable(problem));
    }
};

QTEST_MAIN(TestImagingPng)
#include "tst_imaging_png.moc"
