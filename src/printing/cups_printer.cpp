#include "printing/cups_printer.h"

#include "printing/film_file.h"
#include "printing/film_folder.h"
#include "printing/film_sizes.h"
#include "printing/internal/cups_queue.h"

#include <algorithm>

namespace kestrova {
namespace {

// What a queue that names neither gets: the built-in printer's resolution and paper.
constexpr int UnnamedResolution = 600;
constexpr double UnnamedMarginMm = 6.35;
const QueueMedia UnnamedMedia{"", A4Paper, QMarginsF(UnnamedMarginMm, UnnamedMarginMm, UnnamedMarginMm, UnnamedMarginMm)};

class CupsJob final : public SubmittedJob {
public:
    explicit CupsJob(int id) : id_(id) {}
    int id() const override { return id_; }
    JobState state() const override { return CupsQueue::jobState(id_); }

private:
    int id_;
};

std::vector<PaperSize> papersOf(const std::vector<QueueMedia>& media)
{
    std::vector<PaperSize> papers;
    for (const QueueMedia& each : media)
        papers.push_back(each.paper);
    return papers;
}

} // namespace

// What a queue said of its paper and resolution.
struct QueueDescription {
    QueueMedia defaultMedia;
    std::vector<QueueMedia> media; // every size it offers, the film sizes among them
    PrinterCapabilities capabilities;

    explicit QueueDescription(const CupsQueue& queue)
        : defaultMedia(queue.defaultMedia().value_or(UnnamedMedia)), media(queue.media())
    {
        for (const auto& [id, filmPaper] : filmSizePapers()) {
            if (const auto offered = queue.mediaOfSize(filmPaper)) {
                capabilities.filmSizes.emplace(id, offered->paper);
                media.push_back(*offered);
            }
        }
        capabilities.otherFilmSize = defaultMedia.paper;
        capabilities.dotsPerInch = queue.resolution().value_or(UnnamedResolution);
        capabilities.largestPaper = largestOf(papersOf(media));
    }
};

struct QueueDescriptions::Kept {
    std::chrono::steady_clock::time_point askedAt;
    std::shared_ptr<const QueueDescription> description;
};

QueueDescriptions::QueueDescriptions() = default;
QueueDescriptions::~QueueDescriptions() = default;

// Asked under the lock: jobs for one queue that meet an old description wait for one answer
// instead of each asking.
std::shared_ptr<const QueueDescription> QueueDescriptions::of(const std::string& name)
{
    const std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    const auto kept = kept_.find(name);
    if (kept != kept_.end() && now - kept->second.askedAt < DescriptionLifetime)
        return kept->second.description;
    auto description = std::make_shared<const QueueDescription>(CupsQueue(name));
    kept_.insert_or_assign(name, Kept{now, description});
    return description;
}

CupsPrinter::CupsPrinter(std::string name, std::shared_ptr<QueueDescriptions> descriptions)
    : name_(std::move(name)), descriptions_(std::move(descriptions))
{
}

CupsPrinter::~CupsPrinter() = default;

// Taken once for the printer, so that a job's pages all go on the same paper.
const QueueDescription& CupsPrinter::description() const
{
    if (!description_)
        description_ = descriptions_->of(name_);
    return *description_;
}

PrinterCapabilities CupsPrinter::capabilities() const { return description().capabilities; }

// The film's paper is one the queue offered; a setup without one takes the queue's default.
QueueMedia CupsPrinter::mediaFor(const PageSetup& setup) const
{
    const QueueDescription& queue = description();
    if (!setup.paper)
        return queue.defaultMedia;
    const auto offered = std::find_if(queue.media.begin(), queue.media.end(),
                                      [&](const QueueMedia& media) { return media.paper == *setup.paper; });
    return offered != queue.media.end() ? *offered : queue.defaultMedia;
}

PrinterMetrics CupsPrinter::metrics(const PageSetup& setup, const QFont& font) const
{
    const QueueMedia media = mediaFor(setup);
    return pageFileMetrics(PageFormat{media.paper, media.marginsMm, setup.orientation}, font);
}

JobOptions CupsPrinter::jobOptions(const PageSetup& setup, const QueueMedia& media) const
{
    JobOptions options{setup.copies, setup.orientation, std::nullopt};
    if (setup.paper && !media.name.empty())
        options.media = media.name;
    return options;
}

// The scheduler spools the document while its file is kept: their waits on the disk overlap.
PrintedFilm CupsPrinter::print(const PageSetup& setup, const PagePaint& paint)
{
    PageContent page(PageContent::PictureForm::StandIns);
    paint(page);
    const QueueMedia media = mediaFor(setup);
    const std::string pdf = filmPdf(PageFormat{media.paper, media.marginsMm, setup.orientation}, page, 1, name_);
    SentJob job(name_, pdf, jobOptions(setup, media));
    std::filesystem::path film;
    try {
        film = keepFilm(pdf);
    } catch (...) {
        job.withdraw();
        throw;
    }
    try {
        return PrintedFilm{film, 1, setup, std::make_shared<CupsJob>(job.accepted())};
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(film, ignored);
        throw;
    }
}

PrintedFilm CupsPrinter::reprint(const PrintedFilm& film)
{
    SentJob job(name_, readFilmFile(film.file), jobOptions(film.setup, mediaFor(film.setup)));
    return PrintedFilm{film.file, film.pages, film.setup, std::make_shared<CupsJob>(job.accepted())};
}

PrinterState CupsPrinter::state() const
{
    PrinterState state = CupsQueue::stateOf(name_);
    const PrinterState folder = filmFolderState();
    state.acceptingJobs = state.acceptingJobs && folder.acceptingJobs;
    state.reasons.insert(state.reasons.end(), folder.reasons.begin(), folder.reasons.end());
    return state;
}

} // namespace kestrova
