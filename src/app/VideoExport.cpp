#include "app/VideoExport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <system_error>
#include <vector>

#include "authoring/FileReplace.h"
#include "sound/Sound.h"

namespace vesk {
namespace {

constexpr const char* kPreferredEncoder = "libx264";
// Quick enough that a 640 × 480 export runs faster than the show plays, on two cores.
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX264Quality = "20";  // constant rate factor: lower is better
// For another H.264 encoder, which takes a bit rate: bits per pixel and picture.
constexpr double kBitsPerPixel = 0.1;
constexpr double kKeyFrameSeconds = 2;
constexpr std::int64_t kAudioBitRate = 160000;
constexpr int kSoundChannels = 2;

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(code, text, sizeof text) < 0) return "error " + std::to_string(code);
  return text;
}

bool takesYuv420(const AVCodec* codec) {
  if (!codec->pix_fmts) return true;
  for (const AVPixelFormat* format = codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format)
    if (*format == AV_PIX_FMT_YUV420P) return true;
  return false;
}

// libx264 first, then every other H.264 encoder that takes yuv420p.
std::vector<const AVCodec*> h264Encoders() {
  std::vector<const AVCodec*> encoders;
  if (const AVCodec* preferred = avcodec_find_encoder_by_name(kPreferredEncoder))
    encoders.push_back(preferred);
  void* position = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&position)) {
    if (av_codec_is_encoder(codec) && codec->id == AV_CODEC_ID_H264 && takesYuv420(codec) &&
        std::find(encoders.begin(), encoders.end(), codec) == encoders.end())
      encoders.push_back(codec);
  }
  return encoders;
}

}  // namespace

// Everything FFmpeg allocated for one export; freed on every path by the destructor.
struct VideoExport::Streams {
  AVFormatContext* format = nullptr;
  bool fileOpen = false;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  SwsContext* scaler = nullptr;
  SwrContext* resampler = nullptr;
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  std::uint32_t width = 0, height = 0;
  int audioFrameSize = 0;            // samples per frame the sound encoder takes
  std::int64_t audioPts = 0;         // samples sent to the sound encoder
  std::vector<std::int16_t> queued;  // interleaved sound not encoded yet

  ~Streams() {
    av_packet_free(&packet);
    av_frame_free(&sound);
    av_frame_free(&picture);
    swr_free(&resampler);
    sws_freeContext(scaler);
    avcodec_free_context(&audio);
    avcodec_free_context(&video);
    if (format) {
      if (fileOpen) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }

  std::int64_t queuedFrames() const {
    return static_cast<std::int64_t>(queued.size()) / kSoundChannels;
  }

  // Sends `frame` (null: the end) to the encoder and writes every packet it gives back.
  // Negative: the FFmpeg error, with the failed step in `step`.
  int encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& step) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
      step = std::string("the ") + codec->codec->name + " encoder refused its input";
      return result;
    }
    for (;;) {
      result = avcodec_receive_packet(codec, packet);
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
      if (result < 0) {
        step = std::string("the ") + codec->codec->name + " encoder failed";
        return result;
      }
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      result = av_interleaved_write_frame(format, packet);
      if (result < 0) {
        step = "cannot write the video file";
        return result;
      }
    }
  }
};

VideoExport::VideoExport() = default;

VideoExport::~VideoExport() {
  abandon();
}

bool VideoExport::fail(const std::string& what, int code) {
  _error = code != 0 ? what + ": " + avError(code) : what;
  abandon();
  return false;
}

void VideoExport::abandon() {
  _streams.reset();
  if (!_temporary.empty()) {
    std::error_code ignored;
    std::filesystem::remove(_temporary, ignored);
    _temporary.clear();
  }
}

bool VideoExport::open(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                       double fps) {
  abandon();
  _error.clear();
  _frames = 0;
  if (width == 0 || height == 0 || width % 2 != 0 || height % 2 != 0 || width > 16384 ||
      height > 16384) {
    return fail("pictures of " + std::to_string(width) + "x" + std::to_string(height) +
                ": the video needs an even width and height");
  }
  if (!(fps > 0 && fps <= 1000)) return fail("the video needs a rate above 0 and at most 1000");
  // The encoders' chatter (libx264 prints its settings and statistics) stays off the terminal.
  av_log_set_level(AV_LOG_ERROR);

  const AVOutputFormat* container = av_guess_format(nullptr, path.filename().c_str(), nullptr);
  if (!container) container = av_guess_format("mp4", nullptr, nullptr);
  if (!container) return fail("FFmpeg has no MP4 writer");
  if (avformat_query_codec(container, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) == 0 ||
      avformat_query_codec(container, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL) == 0) {
    return fail(path.string() + ": the " + container->name +
                " format holds no H.264 video with AAC sound (name the file .mp4 or .mkv)");
  }
  _target = path;
  const std::string notMade = createTemporaryBeside(path, _temporary);
  if (!notMade.empty()) {
    _temporary.clear();
    return fail(notMade);
  }
  _streams = std::make_unique<Streams>();
  Streams& s = *_streams;
  s.width = width;
  s.height = height;
  int result = avformat_alloc_output_context2(&s.format, container, nullptr, _temporary.c_str());
  if (result < 0) return fail("cannot set up the video file", result);
  const bool globalHeader = (container->flags & AVFMT_GLOBALHEADER) != 0;

  // Pictures: the first H.264 encoder that opens, time base 1 / fps.
  const AVRational rate = av_d2q(fps, 100000);
  const std::vector<const AVCodec*> encoders = h264Encoders();
  if (encoders.empty()) return fail("FFmpeg has no H.264 encoder (libx264 is missing)");
  std::string refusals;
  for (const AVCodec* codec : encoders) {
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context) return fail("out of memory for the video encoder");
    context->width = static_cast<int>(width);
    context->height = static_cast<int>(height);
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = av_inv_q(rate);
    context->framerate = rate;
    context->gop_size = std::max(1, static_cast<int>(std::lround(fps * kKeyFrameSeconds)));
    // What the conversion below makes: BT.601, limited range.
    context->colorspace = AVCOL_SPC_SMPTE170M;
    context->color_range = AVCOL_RANGE_MPEG;
    if (globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    if (std::string(codec->name) == kPreferredEncoder) {
      result = av_dict_set(&settings, "preset", kX264Preset, 0);
      if (result >= 0) result = av_dict_set(&settings, "crf", kX264Quality, 0);
    } else {
      context->bit_rate = static_cast<std::int64_t>(kBitsPerPixel * width * height * fps);
      result = 0;
    }
    if (result >= 0) result = avcodec_open2(context, codec, &settings);
    av_dict_free(&settings);
    if (result >= 0) {
      s.video = context;
      break;
    }
    refusals += std::string(refusals.empty() ? "" : "; ") + codec->name + ": " + avError(result);
    avcodec_free_context(&context);
  }
  if (!s.video) return fail("no H.264 encoder could be opened (" + refusals + ")");
  s.videoStream = avformat_new_stream(s.format, nullptr);
  if (!s.videoStream) return fail("cannot add the video stream");
  s.videoStream->time_base = s.video->time_base;
  s.videoStream->avg_frame_rate = rate;
  result = avcodec_parameters_from_context(s.videoStream->codecpar, s.video);
  if (result < 0) return fail("cannot describe the video stream", result);

  // Sound: AAC at the mixer's rate, stereo, time base one sample.
  const AVCodec* aac = avcodec_find_encoder_by_name("aac");
  if (!aac) return fail("FFmpeg has no AAC encoder");
  s.audio = avcodec_alloc_context3(aac);
  if (!s.audio) return fail("out of memory for the sound encoder");
  AVChannelLayout stereo{};
  av_channel_layout_default(&stereo, kSoundChannels);
  s.audio->sample_fmt = aac->sample_fmts ? aac->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
  s.audio->sample_rate = kSoundRate;
  result = av_channel_layout_copy(&s.audio->ch_layout, &stereo);
  if (result < 0) return fail("cannot set up the sound encoder", result);
  s.audio->bit_rate = kAudioBitRate;
  s.audio->time_base = {1, kSoundRate};
  if (globalHeader) s.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  result = avcodec_open2(s.audio, aac, nullptr);
  if (result < 0) return fail("cannot open the AAC encoder", result);
  s.audioFrameSize = s.audio->frame_size > 0 ? s.audio->frame_size : 1024;
  s.audioStream = avformat_new_stream(s.format, nullptr);
  if (!s.audioStream) return fail("cannot add the sound stream");
  s.audioStream->time_base = s.audio->time_base;
  result = avcodec_parameters_from_context(s.audioStream->codecpar, s.audio);
  if (result < 0) return fail("cannot describe the sound stream", result);

  // Conversions: 0x00RRGGBB words to yuv420p; interleaved 16-bit to the encoder's samples.
  s.scaler = sws_getContext(static_cast<int>(width), static_cast<int>(height), AV_PIX_FMT_0RGB32,
                            static_cast<int>(width), static_cast<int>(height), AV_PIX_FMT_YUV420P,
                            SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!s.scaler) return fail("cannot set up the picture conversion");
  result = swr_alloc_set_opts2(&s.resampler, &s.audio->ch_layout, s.audio->sample_fmt, kSoundRate,
                               &stereo, AV_SAMPLE_FMT_S16, kSoundRate, 0, nullptr);
  if (result >= 0) result = swr_init(s.resampler);
  if (result < 0) return fail("cannot set up the sound conversion", result);

  s.picture = av_frame_alloc();
  s.sound = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.picture || !s.sound || !s.packet) return fail("out of memory for the video");
  s.picture->format = AV_PIX_FMT_YUV420P;
  s.picture->width = static_cast<int>(width);
  s.picture->height = static_cast<int>(height);
  result = av_frame_get_buffer(s.picture, 0);
  if (result < 0) return fail("cannot make a picture buffer", result);
  s.sound->format = s.audio->sample_fmt;
  s.sound->sample_rate = kSoundRate;
  s.sound->nb_samples = s.audioFrameSize;
  result = av_channel_layout_copy(&s.sound->ch_layout, &s.audio->ch_layout);
  if (result >= 0) result = av_frame_get_buffer(s.sound, 0);
  if (result < 0) return fail("cannot make a sound buffer", result);

  if (!(container->flags & AVFMT_NOFILE)) {
    result = avio_open(&s.format->pb, _temporary.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return fail("cannot write " + _temporary.string(), result);
    s.fileOpen = true;
  }
  result = avformat_write_header(s.format, nullptr);
  if (result < 0) return fail("cannot write the video file's header", result);
  return true;
}

bool VideoExport::addFrame(const FramePixels& pixels) {
  if (!_streams) return fail("the video is not open");
  Streams& s = *_streams;
  if (pixels.width != s.width || pixels.height != s.height ||
      pixels.words.size() != std::size_t{s.width} * s.height) {
    return fail("a picture of " + std::to_string(pixels.width) + "x" +
                std::to_string(pixels.height) + " for a video of " + std::to_string(s.width) + "x" +
                std::to_string(s.height));
  }
  int result = av_frame_make_writable(s.picture);
  if (result < 0) return fail("cannot reuse the picture buffer", result);
  const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(pixels.words.data())};
  const int stride[1] = {static_cast<int>(s.width * 4)};
  result = sws_scale(s.scaler, source, stride, 0, static_cast<int>(s.height), s.picture->data,
                     s.picture->linesize);
  if (result != static_cast<int>(s.height)) return fail("the picture conversion failed");
  s.picture->pts = _frames;
  std::string step;
  result = s.encode(s.video, s.videoStream, s.picture, step);
  if (result < 0) return fail(step, result);
  ++_frames;
  return true;
}

bool VideoExport::addAudio(const std::int16_t* samples, std::size_t frames) {
  if (!_streams) return fail("the video is not open");
  Streams& s = *_streams;
  s.queued.insert(s.queued.end(), samples, samples + kSoundChannels * frames);
  while (s.queuedFrames() >= s.audioFrameSize)
    if (!encodeAudio(static_cast<std::size_t>(s.audioFrameSize))) return false;
  return true;
}

// Encodes the first `frames` queued sound frames (at most one encoder frame).
bool VideoExport::encodeAudio(std::size_t frames) {
  Streams& s = *_streams;
  int result = av_frame_make_writable(s.sound);
  if (result < 0) return fail("cannot reuse the sound buffer", result);
  const int count = static_cast<int>(frames);
  s.sound->nb_samples = count;
  const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(s.queued.data())};
  result = swr_convert(s.resampler, s.sound->data, count, source, count);
  if (result != count) return fail("the sound conversion failed", result < 0 ? result : 0);
  s.sound->pts = s.audioPts;
  s.audioPts += count;
  s.queued.erase(s.queued.begin(), s.queued.begin() + kSoundChannels * count);
  std::string step;
  result = s.encode(s.audio, s.audioStream, s.sound, step);
  if (result < 0) return fail(step, result);
  return true;
}

bool VideoExport::finish() {
  if (!_streams) return fail("the video is not open");
  Streams& s = *_streams;
  // The sound ends with the last picture: silence fills a gap, and sound past it is cut.
  const std::int64_t soundFrames = av_rescale_q(_frames, s.video->time_base, {1, kSoundRate});
  const std::int64_t queue = std::max<std::int64_t>(soundFrames - s.audioPts, 0);
  s.queued.resize(static_cast<std::size_t>(kSoundChannels * queue), 0);
  const bool smallLast = (s.audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
  while (!s.queued.empty()) {
    if (!smallLast && s.queuedFrames() < s.audioFrameSize)
      s.queued.resize(static_cast<std::size_t>(kSoundChannels * s.audioFrameSize), 0);
    const auto frames = std::min<std::int64_t>(s.queuedFrames(), s.audioFrameSize);
    if (!encodeAudio(static_cast<std::size_t>(frames))) return false;
  }

  std::string step;
  int result = s.encode(s.video, s.videoStream, nullptr, step);
  if (result >= 0) result = s.encode(s.audio, s.audioStream, nullptr, step);
  if (result < 0) return fail(step, result);
  result = av_write_trailer(s.format);
  if (result < 0) return fail("cannot write the end of the video file", result);
  if (s.fileOpen) {
    s.fileOpen = false;
    result = avio_closep(&s.format->pb);
    if (result < 0) return fail("cannot write " + _temporary.string(), result);
  }
  _streams.reset();
  std::error_code failure;
  std::filesystem::rename(_temporary, _target, failure);
  if (failure)
    return fail("cannot rename the video to " + _target.string() + ": " + failure.message());
  _temporary.clear();
  return true;
}

}  // namespace vesk
