// Player page of the Sonvara video player. The program calls the functions below by name and
// hears back through its window object AppBrowserEvents: player states, errors, the watch
// address, the video record (JSON) and volume changes.

var player = null; // the YT.Player, made when the player API has loaded
var pendingCalls = []; // calls made before that
var currentVideoId = '';
var reportedVideoId = ''; // the video whose address and record went out last
var recordPending = false; // state reports wait for the record, so it comes first
var heldStates = [];
var lastVolume = null;

var ERROR_TEXTS = {
    2: 'The video id is not valid.',
    5: 'The video cannot be played here.',
    100: 'This video is unavailable.',
    101: 'The owner does not allow this video to be played here.',
    150: 'The owner does not allow this video to be played here.'
};

function callApp(slot, value) {
    var app = window.AppBrowserEvents;
    if (app && typeof app[slot] === 'function') {
        app[slot](value);
    }
}

function showMessage(text) {
    var box = document.getElementById('message');
    if (!box) {
        return;
    }
    box.textContent = text || '';
    box.className = text ? '' : 'hidden';
}

function whenPlayerReady(call) {
    if (player) {
        call();
    } else {
        pendingCalls.push(call);
    }
}

function recordText(record) {
    // The program's record: five texts under these keys.
    return JSON.stringify({
        id: String(record.id || ''),
        url: String(record.url || ''),
        title: String(record.title || ''),
        thumbnail: String(record.thumbnail || ''),
        duration: record.duration === undefined || record.duration === null
            ? '' : String(record.duration)
    });
}

// Fetches a video's record from the list service of this site; done(null) when there is none.
function fetchRecord(videoId, done) {
    var request = new XMLHttpRequest();
    request.open('GET', '/api/video?v=' + encodeURIComponent(videoId), true);
    request.onreadystatechange = function () {
        if (request.readyState !== 4) {
            return;
        }
        var record = null;
        if (request.status === 200) {
            try {
                record = JSON.parse(request.responseText);
            } catch (e) {
                record = null;
            }
        }
        done(record);
    };
    request.send(null);
}

function releaseStates() {
    recordPending = false;
    var states = heldStates;
    heldStates = [];
    for (var i = 0; i < states.length; ++i) {
        callApp('slot_PlayerStateChange', states[i]);
    }
}

function reportVideo(videoId) {
    reportedVideoId = videoId;
    callApp('slot_PlayerUrlChanged', player.getVideoUrl());
    recordPending = true;
    fetchRecord(videoId, function (record) {
        if (videoId !== currentVideoId) {
            releaseStates();
            return;
        }
        if (!record) {
            // The list service does not know it: build the record from the player.
            var data = player.getVideoData();
            record = {
                id: videoId,
                url: player.getVideoUrl().split('&')[0],
                title: data.title,
                thumbnail: '',
                duration: String(Math.round(player.getDuration()))
            };
        }
        callApp('slot_PlayerVideoChanged', recordText(record));
        releaseStates();
    });
}

function onPlayerStateChange(event) {
    var state = event.data;
    if (state === YT.PlayerState.UNSTARTED) {
        return; // the program knows no "unstarted" state
    }
    showMessage('');
    if (currentVideoId && currentVideoId !== reportedVideoId) {
        reportVideo(currentVideoId);
    }
    if (recordPending) {
        heldStates.push(state);
    } else {
        callApp('slot_PlayerStateChange', state);
    }
}

function onPlayerError(event) {
    showMessage(ERROR_TEXTS[event.data] || 'The video cannot be played.');
    callApp('slot_PlayerError', event.data);
}

function watchVolume() {
    window.setInterval(function () {
        if (!player) {
            return;
        }
        var volume = player.getVolume();
        if (lastVolume !== null && volume !== lastVolume) {
            callApp('slot_PlayerVolumeChanged', volume);
        }
        lastVolume = volume;
    }, 250);
}

function fitWindow() {
    if (player) {
        player.setSize(window.innerWidth, window.innerHeight);
    }
}

// Called by the player API script when it has loaded.
function onYouTubeIframeAPIReady() {
    player = new YT.Player('player', {
        width: window.innerWidth,
        height: window.innerHeight,
        playerVars: { autoplay: 1, controls: 1 },
        events: {
            onStateChange: onPlayerStateChange,
            onError: onPlayerError
        }
    });
    watchVolume();
    var calls = pendingCalls;
    pendingCalls = [];
    for (var i = 0; i < calls.length; ++i) {
        calls[i]();
    }
}

// --- Functions the program calls -------------------------------------------------------------

function loadPlayer(videoId) {
    whenPlayerReady(function () {
        currentVideoId = String(videoId);
        reportedVideoId = '';
        heldStates = [];
        recordPending = false;
        showMessage('');
        player.loadVideoById(currentVideoId);
    });
}

function startPlayer() {
    whenPlayerReady(function () {
        player.playVideo();
    });
}

function pausePlayer() {
    whenPlayerReady(function () {
        player.pauseVideo();
    });
}

function stopPlayer() {
    whenPlayerReady(function () {
        player.stopVideo();
    });
}

function clearPlayer() {
    whenPlayerReady(function () {
        currentVideoId = '';
        reportedVideoId = '';
        player.clearVideo();
        showMessage('');
    });
}

function setVideoVolume(volume) {
    whenPlayerReady(function () {
        player.setVolume(volume);
    });
}

function toggleMuteVideo() {
    whenPlayerReady(function () {
        if (player.isMuted()) {
            player.unMute();
        } else {
            player.mute();
        }
    });
}

function getVideoTitle(videoId) {
    fetchRecord(String(videoId), function (record) {
        if (record) {
            callApp('slot_PlayerVideoChanged', recordText(record));
        }
    });
}

function resizePlayer(width, height) {
    whenPlayerReady(function () {
        player.setSize(width, height);
    });
}

window.addEventListener('resize', fitWindow);

// Load the player API from the video site, as an embedding page does.
(function () {
    var videoSite = window.SITE_CONFIG ? SITE_CONFIG.videoSite : '127.0.0.1:8311';
    var tag = document.createElement('script');
    tag.src = 'http://' + videoSite + '/iframe_api';
    tag.onerror = function () {
        showMessage('The video player could not be loaded.');
    };
    var first = document.getElementsByTagName('script')[0];
    first.parentNode.insertBefore(tag, first);
})();
