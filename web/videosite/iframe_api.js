// Player API of the demo video site: the part of the public IFrame player API that embedding
// pages use (YT.Player, YT.PlayerState, the onReady / onStateChange / onError events), playing
// the site's streams in an HTML5 <video> element.
(function () {
    'use strict';

    if (window.YT && window.YT.Player) {
        return;
    }

    var SITE = 'http://{{VIDEO_SITE}}';
    var ID_PATTERN = /^[A-Za-z0-9_-]{11}$/;

    var PlayerState = {
        UNSTARTED: -1,
        ENDED: 0,
        PLAYING: 1,
        PAUSED: 2,
        BUFFERING: 3,
        CUED: 5
    };

    // Error numbers of the public API.
    var ERROR_INVALID_PARAMETER = 2;
    var ERROR_HTML5 = 5;
    var ERROR_NOT_FOUND = 100;
    var ERROR_NOT_EMBEDDABLE = 101;

    // Streams in the order the player tries them: the first one the browser can play wins.
    var PREFERRED_ITAGS = [43, 18, 22, 5];

    function later(fn) {
        window.setTimeout(fn, 0);
    }

    function Player(elementOrId, options) {
        options = options || {};
        var target = typeof elementOrId === 'string'
            ? document.getElementById(elementOrId) : elementOrId;
        if (!target) {
            throw new Error('YT.Player: no element ' + elementOrId);
        }
        var vars = options.playerVars || {};
        this._listeners = {};
        this._state = PlayerState.UNSTARTED;
        this._videoId = '';
        this._info = null;
        this._loadToken = 0;
        this._quiet = false; // set while the player itself pauses or empties the video

        var events = options.events || {};
        for (var name in events) {
            if (events.hasOwnProperty(name)) {
                this.addEventListener(name, events[name]);
            }
        }

        this._container = target;
        this._container.innerHTML = '';
        this._container.className += ' yt-player';
        this._container.style.background = '#000';
        this._container.style.position = 'relative';
        this._container.style.overflow = 'hidden';

        var video = document.createElement('video');
        video.controls = vars.controls === undefined || !!vars.controls;
        video.preload = 'auto';
        video.style.width = '100%';
        video.style.height = '100%';
        video.style.display = 'block';
        video.style.background = '#000';
        this._container.appendChild(video);
        this._video = video;
        this._volume = Math.round(video.volume * 100);

        this.setSize(options.width || 640, options.height || 360);
        this._watchVideo();

        var self = this;
        if (options.videoId) {
            if (vars.autoplay) {
                this.loadVideoById(options.videoId);
            } else {
                this.cueVideoById(options.videoId);
            }
        }
        later(function () {
            self._fire('onReady');
        });
    }

    Player.prototype._fire = function (name, data) {
        var list = this._listeners[name] || [];
        var event = { target: this, data: data };
        for (var i = 0; i < list.length; ++i) {
            try {
                list[i](event);
            } catch (e) {
                if (window.console) {
                    console.log('YT.Player ' + name + ' listener failed: ' + e);
                }
            }
        }
    };

    Player.prototype._setState = function (state) {
        if (state === this._state) {
            return;
        }
        this._state = state;
        this._fire('onStateChange', state);
    };

    Player.prototype._error = function (code) {
        var self = this;
        later(function () {
            self._fire('onError', code);
        });
    };

    Player.prototype._watchVideo = function () {
        var self = this;
        var video = this._video;
        video.addEventListener('playing', function () {
            self._setState(PlayerState.PLAYING);
        });
        video.addEventListener('waiting', function () {
            if (!self._quiet) {
                self._setState(PlayerState.BUFFERING);
            }
        });
        video.addEventListener('pause', function () {
            if (!self._quiet && !video.ended) {
                self._setState(PlayerState.PAUSED);
            }
        });
        video.addEventListener('ended', function () {
            self._setState(PlayerState.ENDED);
        });
        video.addEventListener('error', function () {
            if (!self._quiet && video.getAttribute('src')) {
                self._fire('onError', ERROR_HTML5);
            }
        });
        video.addEventListener('volumechange', function () {
            self._volumeChanged();
        });
    };

    // The web view's media backend reports a volume set before playback back on its cubic
    // scale once the stream starts (40 comes back as 74). Such echoes of the volume the player
    // was given are not changes; a change made on the controls is.
    Player.prototype._volumeChanged = function () {
        var given = this._volume / 100;
        var now = this._video.volume;
        var echoes = [given, Math.pow(given, 1 / 3), given * given * given];
        for (var i = 0; i < echoes.length; ++i) {
            if (Math.abs(now - echoes[i]) < 0.006) {
                return;
            }
        }
        this._volume = Math.round(now * 100);
    };

    // Empties the video element without reporting the pause that this causes.
    Player.prototype._reset = function () {
        this._quiet = true;
        try {
            this._video.pause();
            this._video.removeAttribute('src');
            this._video.load();
        } finally {
            this._quiet = false;
        }
    };

    Player.prototype._load = function (idOrOptions, startSeconds, play) {
        var id = idOrOptions;
        if (idOrOptions && typeof idOrOptions === 'object') {
            id = idOrOptions.videoId;
            startSeconds = idOrOptions.startSeconds;
        }
        id = id === undefined || id === null ? '' : String(id);
        var token = ++this._loadToken;
        this._reset();
        this._info = null;
        this._videoId = id;
        this._setState(PlayerState.UNSTARTED);
        if (!ID_PATTERN.test(id)) {
            this._error(ERROR_INVALID_PARAMETER);
            return;
        }

        var self = this;
        var request = new XMLHttpRequest();
        request.open('GET', SITE + '/player_api/video_info?v=' + encodeURIComponent(id), true);
        request.onreadystatechange = function () {
            if (request.readyState !== 4 || token !== self._loadToken) {
                return;
            }
            var info = null;
            try {
                info = JSON.parse(request.responseText);
            } catch (e) {
                info = null;
            }
            if (request.status !== 200 || !info || info.status !== 'ok') {
                self._fire('onError', info && info.errorcode ? info.errorcode : ERROR_NOT_FOUND);
                return;
            }
            self._start(info, startSeconds, play);
        };
        request.send(null);
    };

    Player.prototype._start = function (info, startSeconds, play) {
        var stream = null;
        for (var p = 0; p < PREFERRED_ITAGS.length && !stream; ++p) {
            for (var s = 0; s < info.streams.length; ++s) {
                var candidate = info.streams[s];
                if (candidate.itag === PREFERRED_ITAGS[p] &&
                        this._video.canPlayType(candidate.type) !== '') {
                    stream = candidate;
                    break;
                }
            }
        }
        if (!stream) {
            this._fire('onError', ERROR_HTML5);
            return;
        }
        this._info = info;
        var video = this._video;
        var self = this;
        if (startSeconds > 0) {
            var seekOnce = function () {
                video.removeEventListener('loadedmetadata', seekOnce);
                video.currentTime = startSeconds;
            };
            video.addEventListener('loadedmetadata', seekOnce);
        }
        video.src = stream.url;
        if (play) {
            this._setState(PlayerState.BUFFERING);
            video.play();
        } else {
            var cued = function () {
                video.removeEventListener('loadedmetadata', cued);
                if (self._state === PlayerState.UNSTARTED) {
                    self._setState(PlayerState.CUED);
                }
            };
            video.addEventListener('loadedmetadata', cued);
            video.load();
        }
    };

    Player.prototype.loadVideoById = function (videoId, startSeconds) {
        this._load(videoId, startSeconds, true);
    };

    Player.prototype.cueVideoById = function (videoId, startSeconds) {
        this._load(videoId, startSeconds, false);
    };

    Player.prototype.playVideo = function () {
        if (this._info) {
            if (this._state === PlayerState.CUED || this._state === PlayerState.ENDED) {
                this._setState(PlayerState.BUFFERING);
            }
            this._video.play();
        }
    };

    Player.prototype.pauseVideo = function () {
        if (this._info) {
            this._video.pause();
        }
    };

    Player.prototype.stopVideo = function () {
        if (!this._info) {
            return;
        }
        this._quiet = true;
        try {
            this._video.pause();
            if (this._video.readyState > 0) {
                this._video.currentTime = 0;
            }
        } finally {
            this._quiet = false;
        }
        this._setState(PlayerState.CUED);
    };

    Player.prototype.clearVideo = function () {
        ++this._loadToken;
        this._reset();
        this._info = null;
        this._videoId = '';
        this._setState(PlayerState.UNSTARTED);
    };

    Player.prototype.seekTo = function (seconds) {
        if (this._info && this._video.readyState > 0) {
            this._video.currentTime = seconds;
        }
    };

    Player.prototype.setVolume = function (volume) {
        var value = Math.max(0, Math.min(100, Math.round(Number(volume) || 0)));
        this._volume = value;
        this._video.volume = value / 100;
    };

    Player.prototype.getVolume = function () {
        return this._volume;
    };

    Player.prototype.mute = function () {
        this._video.muted = true;
    };

    Player.prototype.unMute = function () {
        this._video.muted = false;
    };

    Player.prototype.isMuted = function () {
        return this._video.muted;
    };

    Player.prototype.setSize = function (width, height) {
        this._container.style.width = Math.max(0, Math.round(width)) + 'px';
        this._container.style.height = Math.max(0, Math.round(height)) + 'px';
    };

    Player.prototype.getPlayerState = function () {
        return this._state;
    };

    Player.prototype.getCurrentTime = function () {
        return this._video.currentTime || 0;
    };

    Player.prototype.getDuration = function () {
        if (this._video.duration && isFinite(this._video.duration)) {
            return this._video.duration;
        }
        return this._info ? this._info.length_seconds : 0;
    };

    Player.prototype.getVideoUrl = function () {
        if (!this._videoId) {
            return SITE + '/watch';
        }
        return SITE + '/watch?v=' + encodeURIComponent(this._videoId) + '&feature=player_embedded';
    };

    Player.prototype.getVideoData = function () {
        return {
            video_id: this._videoId,
            title: this._info ? this._info.title : '',
            author: this._info ? this._info.author : ''
        };
    };

    Player.prototype.getIframe = function () {
        return this._container;
    };

    Player.prototype.addEventListener = function (name, listener) {
        if (typeof listener === 'string') {
            listener = window[listener];
        }
        if (typeof listener !== 'function') {
            return;
        }
        (this._listeners[name] = this._listeners[name] || []).push(listener);
    };

    Player.prototype.removeEventListener = function (name, listener) {
        var list = this._listeners[name] || [];
        for (var i = list.length - 1; i >= 0; --i) {
            if (list[i] === listener) {
                list.splice(i, 1);
            }
        }
    };

    Player.prototype.destroy = function () {
        ++this._loadToken;
        this._reset();
        this._listeners = {};
        this._container.innerHTML = '';
    };

    window.YT = {
        Player: Player,
        PlayerState: PlayerState,
        loaded: 1
    };

    if (typeof window.onYouTubeIframeAPIReady === 'function') {
        later(function () {
            window.onYouTubeIframeAPIReady();
        });
    }
})();
